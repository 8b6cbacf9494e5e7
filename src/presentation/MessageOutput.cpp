#include "presentation/MessageOutput.h"

#include "common/TextValue.h"
#include "core/Receiver.h"

namespace ravo {

void showMessageLine(Receiver& rx) {
    // The reading carries the line whatever the filter lets through. It refers to
    // the line in place: a decoder leaves the line alone once it has shown it.
    if (!rx.readings.empty()) rx.reading.line.refer(rx.state.messageLine);
    const double filter = textValue(rx.screen.text(Field::txtaddfilter));
    if (filter == 0 || filter == static_cast<double>(rx.state.txAddress)) rx.screen.showMessage(rx.state.messageLine);
}

}  // namespace ravo
