#include "frames/Dispatch.h"

#include "decoders/Decoders.h"

namespace ravo {

// In the order tested.
const std::array<DispatchRow, 16> kDispatchTable = {{
    {0x82, Band::Either, decodeTemperature, "temperature"},
    {0x83, Band::UhfOnly, nullptr, "humidity and temperature"},
    {0x84, Band::UhfOnly, nullptr, "fixed pulse counter"},
    {0x85, Band::UhfOnly, nullptr, "voltage/current transmitter"},
    {0x86, Band::UhfOnly, nullptr, "K-type thermocouple"},
    {0x8A, Band::UhfOnly, nullptr, "thermistor transmitter"},
    {0x7A, Band::Either, nullptr, "legionella transmitter"},
    {0x7B, Band::Either, nullptr, "legionella signal-strength report"},
    {0x81, Band::Either, nullptr, "drive-by pulse counter"},
    {0x87, Band::UhfOnly, nullptr, "contact transmitter"},
    {0x88, Band::Either, nullptr, "alarm transmitter"},
    {0x89, Band::UhfOnly, nullptr, "level transmitter"},
    {0x8B, Band::UhfOnly, nullptr, "electricity meter"},
    {0x8F, Band::UhfOnly, nullptr, "leak-noise logger"},
    {0xF1, Band::VhfOnly, nullptr, "F1 family"},
    {0xF2, Band::Either, nullptr, "pressure/flow transmitter"},
}};

const DispatchRow* findDispatchRow(int typeCode, bool vhfBand) {
    for (const DispatchRow& row : kDispatchTable) {
        if (row.typeCode != typeCode || !row.decode) continue;
        if (row.band == Band::UhfOnly && vhfBand) continue;
        if (row.band == Band::VhfOnly && !vhfBand) continue;
        return &row;
    }
    return nullptr;
}

}  // namespace ravo
