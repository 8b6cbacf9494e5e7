#include "core/Receiver.h"

#include "presentation/Grids.h"

namespace ravo {

Receiver::Receiver(const LocalTime& now, FileSystem& f, ReceiverSettings settings)
    : profile_(screen_, state_, settings.decimalSeparator),
      now_(now),
      files(f),
      decimalSeparator(settings.decimalSeparator) {
    screen_.setText(Field::txtfilepath, settings.logFolder);
    // The F1 family keeps per-row state beside the pulse grid; a new address in a
    // row starts that row afresh.
    screen_.pulseRowChanged = [this](int row) { state_.f1[static_cast<size_t>(row)] = F1RowState{}; };
    screen_.addListener([this](const ModelChange& c) {
        if (c.kind == ModelChange::Kind::Text && c.ref.field == Field::txt_update) profile_.periodChanged();
    });
    updateTimestamp(state_.time, now);
}

void Receiver::setTime(const LocalTime& now) { updateTimestamp(state_.time, now); }

void Receiver::clockTick(const LocalTime& now) {
    setTime(now);
    screen_.setText(Field::txtmask, state_.time.timeText);
}

void Receiver::raiseError(std::string text) {
    if (queueErrors_) pendingErrors_.push_back(text);
    if (onError_) onError_(text);
}

std::optional<std::string> Receiver::takeError() {
    if (pendingErrors_.empty()) return std::nullopt;
    std::string text = std::move(pendingErrors_.front());
    pendingErrors_.pop_front();
    return text;
}

void Receiver::setLogging(bool enabled, const std::string& folder) {
    screen_.setLoggingEnabled(enabled);
    screen_.setText(Field::txtfilepath, folder);
}

void Receiver::selectBand(bool vhf) {
    state_.vhfBand = vhf;
    screen_.setVhfSelected(vhf);
}

bool Receiver::click(std::string_view name) {
    if (name == "btClear" || name == "txtmask") clearGridAddresses(screen_);
    else if (name == "cmdseqadd") sequentialAddresses(screen_, Field::txttx, decimalSeparator);
    else if (name == "cmdseqtempadd") sequentialAddresses(screen_, Field::txttempadd, decimalSeparator);
    else if (name == "optvhf") selectBand(true);
    else if (name == "optuhf") selectBand(false);
    else if (name == "optonefile") screen_.setSeparateFiles(false);
    else if (name == "optsepfiles") screen_.setSeparateFiles(true);
    else if (name == "chklogen") screen_.setLoggingEnabled(!screen_.loggingEnabled());
    else return false;
    told({OperatorAction::Kind::Click, std::string(name), {}});
    return true;
}

void Receiver::type(BoxRef box, std::string text) {
    if (decodingObserver_) {
        std::string name = ScreenModel::fieldName(box.field);
        if (isGridField(box.field)) name += "[" + std::to_string(box.row) + "]";
        told({OperatorAction::Kind::Type, std::move(name), text});
    }
    screen_.setText(box, std::move(text));
}

bool Receiver::doubleClick(std::string_view name) {
    if (name == "txt_errorcount") {
        state_.errorCount = 0;
        screen_.setText(Field::txt_errorcount, "0");
    } else if (auto ref = ScreenModel::parseBoxName(name); ref && ref->field == Field::txttempadd) {
        profile_.open(ref->row);
    } else {
        return false;
    }
    told({OperatorAction::Kind::DoubleClick, std::string(name), {}});
    return true;
}

}  // namespace ravo
