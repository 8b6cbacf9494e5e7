#include "presentation/MessageOutput.h"

#include "common/TextValue.h"

namespace ravo {

void showMessageLine(ScreenModel& screen, const std::string& line, std::int32_t address) {
    const double filter = textValue(screen.text(Field::txtaddfilter));
    if (filter == 0 || filter == static_cast<double>(address)) screen.showMessage(line);
}

}  // namespace ravo
