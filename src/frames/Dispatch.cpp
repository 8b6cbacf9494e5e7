#include "frames/Dispatch.h"

#include "decoders/Decoders.h"

namespace ravo {

// In the order tested.
const std::array<DispatchRow, 16> kDispatchTable = {{
    {0x82, Band::Either, decodeTemperature, "temperature"},
    {0x83, Band::UhfOnly, decodeHumidity, "humidity and temperature"},
    {0x84, Band::UhfOnly, decodeFixedPulse, "fixed pulse counter"},
    {0x85, Band::UhfOnly, decodeVoltageCurrent, "voltage/current transmitter"},
    {0x86, Band::UhfOnly, decodeThermocouple, "K-type thermocouple"},
    {0x8A, Band::UhfOnly, decodeThermistor, "thermistor transmitter"},
    {0x7A, Band::Either, decodeLegionella, "legionella transmitter"},
    {0x7B, Band::Either, decodeLegionellaSignal, "legionella signal-strength report"},
    {0x81, Band::Either, decodeDriveByPulse, "drive-by pulse counter"},
    {0x87, Band::UhfOnly, decodeContact, "contact transmitter"},
    {0x88, Band::Either, decodeAlarm, "alarm transmitter"},
    {0x89, Band::UhfOnly, decodeLevel, "level transmitter"},
    {0x8B, Band::UhfOnly, decodeElectricity, "electricity meter"},
    {0x8F, Band::UhfOnly, decodeLeakNoise, "leak-noise logger"},
    {0xF1, Band::VhfOnly, decodeF1Family, "F1 family"},
    {0xF2, Band::Either, decodePressureFlow, "pressure/flow transmitter"},
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
