#include "presentation/MessageOutput.h"

#include "common/TextValue.h"
#include "core/Receiver.h"

namespace ravo {

void showMessageLine(Receiver& rx) {
    const double filter = textValue(rx.screen.text(Field::txtaddfilter));
    if (filter == 0 || filter == static_cast<double>(rx.state.txAddress)) rx.screen.showMessage(rx.state.messageLine);
}

}  // namespace ravo
