#include "screen/ScreenModel.h"

#include <charconv>
#include <stdexcept>

#include "common/TextValue.h"

namespace ravo {
namespace {

constexpr const char* kFieldNames[] = {
    "txttx",          "txtslevel", "txtlog",       "txtcount",    "txtzero",          "txttempadd",
    "txttempslevel",  "txtemprx",  "txttemp1",     "txttemp2",    "txtinstring",      "txtReceiverMonitor",
    "txt_errorcount", "txtmask",   "txtaddfilter", "txtfilepath", "txtpulsefilename", "txttempfilename",
    "txtmode",        "txtadd1",   "txtadd2",      "txtadd3",     "txtadd4",          "txtadd5",
    "txtadd6",        "txtadd7",   "txtadd8",      "txt_temptx",  "txt_profiletemp",  "txt_profiletime",
    "txt_update",
};
static_assert(std::size(kFieldNames) == static_cast<size_t>(Field::Count));

}  // namespace

ScreenModel::ScreenModel() {
    for (int row = 0; row < kGridRows; ++row) {
        grid_[static_cast<size_t>(Field::txttx)][static_cast<size_t>(row)].text = "0";
        grid_[static_cast<size_t>(Field::txttempadd)][static_cast<size_t>(row)].text = "0";
    }
    auto init = [this](Field f, const char* t) { mutableCell({f, 0}).text = t; };
    init(Field::txt_errorcount, "0");
    init(Field::txtmask, "00:00:00");
    init(Field::txtaddfilter, "0");
    init(Field::txtpulsefilename, "ravo");
    init(Field::txttempfilename, "ravo");
    init(Field::txtmode, "0");
    for (int i = 0; i < 8; ++i) init(static_cast<Field>(static_cast<int>(Field::txtadd1) + i), "0");
    init(Field::txt_update, "2");
}

const Cell& ScreenModel::cell(BoxRef ref) const { return const_cast<ScreenModel*>(this)->mutableCell(ref); }

Cell& ScreenModel::mutableCell(BoxRef ref) {
    const int f = static_cast<int>(ref.field);
    if (f < kGridColumns) {
        if (ref.row < 0 || ref.row >= kGridRows) throw std::out_of_range("grid row out of range");
        return grid_[static_cast<size_t>(f)][static_cast<size_t>(ref.row)];
    }
    if (f >= static_cast<int>(Field::Count)) throw std::out_of_range("no such box");
    return boxes_[static_cast<size_t>(f - kGridColumns)];
}

void ScreenModel::notify(const ModelChange& change) const {
    for (const auto& l : listeners_) l(change);
}

void ScreenModel::setText(BoxRef ref, std::string text) {
    Cell& c = mutableCell(ref);
    if (c.text == text) return;
    c.text = std::move(text);
    if (ref.field == Field::txttx || ref.field == Field::txttempadd)
        gridValues_[static_cast<size_t>(ref.field)][static_cast<size_t>(ref.row)] = textValue(c.text);
    notify({ModelChange::Kind::Text, ref, c.text});
    switch (ref.field) {
        case Field::txttx: pulseRowChange(ref.row); break;
        case Field::txttempadd: tempRowChange(ref.row); break;
        case Field::txtaddfilter: clearMessage(); break;
        default: break;
    }
}

void ScreenModel::setFore(Field f, int row, Colour colour) {
    Cell& c = mutableCell({f, row});
    if (c.fore == colour) return;
    c.fore = colour;
    notify({ModelChange::Kind::Fore, {f, row}, {}});
}

void ScreenModel::setLamp(int row, bool lit) {
    bool& l = lamps_.at(static_cast<size_t>(row));
    if (l == lit) return;
    l = lit;
    notify({ModelChange::Kind::Lamp, {Field::txttempadd, row}, {}});
}

void ScreenModel::showMessage(std::string text) {
    Cell& c = mutableCell({Field::txtinstring, 0});
    const bool changed = c.text != text;
    c.text = std::move(text);
    if (changed) notify({ModelChange::Kind::Text, {Field::txtinstring, 0}, c.text});
    notify({ModelChange::Kind::Message, {Field::txtinstring, 0}, c.text});
}

void ScreenModel::appendMonitor(std::string_view text) {
    Cell& c = mutableCell({Field::txtReceiverMonitor, 0});
    c.text.append(text);
    if (c.text.size() > kMonitorTail) c.text.erase(0, c.text.size() - kMonitorTail);
    notify({ModelChange::Kind::MonitorAppend, {Field::txtReceiverMonitor, 0}, text});
}

void ScreenModel::setLoggingEnabled(bool on) {
    if (loggingEnabled_ == on) return;
    loggingEnabled_ = on;
    notify({ModelChange::Kind::Setting, {}, "chklogen"});
}

void ScreenModel::setSeparateFiles(bool on) {
    if (separateFiles_ == on) return;
    separateFiles_ = on;
    notify({ModelChange::Kind::Setting, {}, "optsepfiles"});
}

void ScreenModel::setVhfSelected(bool on) {
    if (vhfSelected_ == on) return;
    vhfSelected_ = on;
    notify({ModelChange::Kind::Setting, {}, "optvhf"});
}

// A new address in row i: the row's readings belong to someone else now.
void ScreenModel::pulseRowChange(int row) {
    for (Field f : {Field::txtslevel, Field::txtlog, Field::txtcount, Field::txtzero}) setText(f, row, {});
    if (pulseRowChanged) pulseRowChanged(row);
}

void ScreenModel::tempRowChange(int row) {
    for (Field f : {Field::txttempslevel, Field::txtemprx, Field::txttemp1, Field::txttemp2}) setText(f, row, {});
    setLamp(row, false);
}

std::optional<BoxRef> ScreenModel::parseBoxName(std::string_view name) {
    std::string_view base = name;
    int row = -1;
    if (const size_t open = name.find('['); open != std::string_view::npos) {
        if (name.back() != ']') return std::nullopt;
        base = name.substr(0, open);
        const std::string_view digits = name.substr(open + 1, name.size() - open - 2);
        auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), row);
        if (digits.empty() || ec != std::errc() || p != digits.data() + digits.size()) return std::nullopt;
    }
    for (size_t i = 0; i < std::size(kFieldNames); ++i) {
        if (base != kFieldNames[i]) continue;
        const auto f = static_cast<Field>(i);
        if (isGridField(f)) {
            if (row < 0 || row >= kGridRows) return std::nullopt;
            return BoxRef{f, row};
        }
        if (row != -1) return std::nullopt;
        return BoxRef{f, 0};
    }
    return std::nullopt;
}

const char* ScreenModel::fieldName(Field f) { return kFieldNames[static_cast<size_t>(f)]; }

}  // namespace ravo
