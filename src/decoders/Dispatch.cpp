#include "decoders/Dispatch.h"

#include "decoders/Decoders.h"

namespace ravo {

// In the order tested.
const std::array<DispatchRow, 16> kDispatchTable = {{
    {0x82, Band::Either, decodeTemperature, "temperature", "temperature"},
    {0x83, Band::UhfOnly, decodeHumidity, "humidity and temperature", "humidity"},
    {0x84, Band::UhfOnly, decodeFixedPulse, "fixed pulse counter", "fixed_pulse"},
    {0x85, Band::UhfOnly, decodeVoltageCurrent, "voltage/current transmitter", "voltage_current"},
    {0x86, Band::UhfOnly, decodeThermocouple, "K-type thermocouple", "thermocouple"},
    {0x8A, Band::UhfOnly, decodeThermistor, "thermistor transmitter", "thermistor"},
    {0x7A, Band::Either, decodeLegionella, "legionella transmitter", "legionella"},
    {0x7B, Band::Either, decodeLegionellaSignal, "legionella signal-strength report", "legionella_signal"},
    {0x81, Band::Either, decodeDriveByPulse, "drive-by pulse counter", "drive_by_pulse"},
    {0x87, Band::UhfOnly, decodeContact, "contact transmitter", "contact"},
    {0x88, Band::Either, decodeAlarm, "alarm transmitter", "alarm"},
    {0x89, Band::UhfOnly, decodeLevel, "level transmitter", "level"},
    {0x8B, Band::UhfOnly, decodeElectricity, "electricity meter", "electricity"},
    {0x8F, Band::UhfOnly, decodeLeakNoise, "leak-noise logger", "leak_noise"},
    {0xF1, Band::VhfOnly, decodeF1Family, "F1 family", "f1"},
    {0xF2, Band::Either, decodePressureFlow, "pressure/flow transmitter", "pressure_flow"},
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
