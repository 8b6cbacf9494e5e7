#include "core/Receiver.h"

#include "presentation/Grids.h"

namespace ravo {

Receiver::Receiver(const Clock& c, FileSystem& f, ReceiverSettings settings)
    : profile(screen, state, settings.decimalSeparator),
      clock(c),
      files(f),
      decimalSeparator(settings.decimalSeparator) {
    screen.setText(Field::txtfilepath, settings.logFolder);
    // The F1 family keeps per-row state beside the pulse grid; a new address in a
    // row starts that row afresh.
    screen.pulseRowChanged = [this](int row) { state.f1[static_cast<size_t>(row)] = F1RowState{}; };
    screen.addListener([this](const ModelChange& c) {
        if (c.kind == ModelChange::Kind::Text && c.ref.field == Field::txt_update) profile.periodChanged();
    });
    updateTimestamp(state.time, clock);
}

void Receiver::raiseError(std::string text) {
    pendingErrors.push_back(text);
    if (onError) onError(text);
}

void Receiver::selectBand(bool vhf) {
    state.vhfBand = vhf;
    screen.setVhfSelected(vhf);
}

bool Receiver::click(std::string_view name) {
    if (name == "btClear" || name == "txtmask") clearGridAddresses(screen);
    else if (name == "cmdseqadd") sequentialAddresses(screen, Field::txttx, decimalSeparator);
    else if (name == "cmdseqtempadd") sequentialAddresses(screen, Field::txttempadd, decimalSeparator);
    else if (name == "optvhf") selectBand(true);
    else if (name == "optuhf") selectBand(false);
    else if (name == "optonefile") screen.setSeparateFiles(false);
    else if (name == "optsepfiles") screen.setSeparateFiles(true);
    else if (name == "chklogen") screen.setLoggingEnabled(!screen.loggingEnabled());
    else return false;
    if (onOperatorAction) onOperatorAction({OperatorAction::Kind::Click, std::string(name), {}});
    return true;
}

void Receiver::type(BoxRef box, std::string text) {
    if (onOperatorAction) {
        std::string name = ScreenModel::fieldName(box.field);
        if (isGridField(box.field)) name += "[" + std::to_string(box.row) + "]";
        onOperatorAction({OperatorAction::Kind::Type, std::move(name), text});
    }
    screen.setText(box, std::move(text));
}

bool Receiver::doubleClick(std::string_view name) {
    if (name == "txt_errorcount") {
        state.errorCount = 0;
        screen.setText(Field::txt_errorcount, "0");
    } else if (auto ref = ScreenModel::parseBoxName(name); ref && ref->field == Field::txttempadd) {
        profile.open(ref->row);
    } else {
        return false;
    }
    if (onOperatorAction) onOperatorAction({OperatorAction::Kind::DoubleClick, std::string(name), {}});
    return true;
}

}  // namespace ravo
