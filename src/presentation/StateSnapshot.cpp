#include "presentation/StateSnapshot.h"

#include <nlohmann/json.hpp>

#include "common/Latin1.h"

namespace ravo {
namespace {

using Json = nlohmann::ordered_json;

Json cellJson(const ScreenModel& s, Field f, int row) {
    const Cell& c = s.cell({f, row});
    return Json{{"text", latin1ToUtf8(c.text)}, {"fore", c.fore}};
}

}  // namespace

std::string stateSnapshotJson(const ScreenModel& s, const ProgramState& st) {
    Json j;
    j["message"] = latin1ToUtf8(s.text(Field::txtinstring));
    j["errors"] = latin1ToUtf8(s.text(Field::txt_errorcount));
    j["monitor"] = latin1ToUtf8(s.text(Field::txtReceiverMonitor));
    Json pulse = Json::array();
    Json temperature = Json::array();
    for (int row = 0; row < kGridRows; ++row) {
        Json p{{"row", row}};
        for (Field f : {Field::txttx, Field::txtslevel, Field::txtlog, Field::txtcount, Field::txtzero})
            p[ScreenModel::fieldName(f)] = cellJson(s, f, row);
        pulse.push_back(std::move(p));
        Json t{{"row", row}};
        for (Field f : {Field::txttempadd, Field::txttempslevel, Field::txtemprx, Field::txttemp1, Field::txttemp2})
            t[ScreenModel::fieldName(f)] = cellJson(s, f, row);
        t["shp_tempstat"] = s.lamp(row) ? 1 : 0;
        temperature.push_back(std::move(t));
    }
    j["pulse"] = std::move(pulse);
    j["temperature"] = std::move(temperature);
    // Only present after a wait for the rest of an item had to be given up.
    if (st.abandonedWaits > 0) j["abandoned"] = Json{{"waits", st.abandonedWaits}, {"bytes", st.abandonedBytes}};
    return j.dump(2) + "\n";
}

}  // namespace ravo
