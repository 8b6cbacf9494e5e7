// The typed reading a decoder fills beside its texts. The header stage has
// already set the common fields (time, type, family, address, status, band and
// the header's S level); the decoder adds the flags its family reports and its own
// fields, each one of the declarations of its family's table (FamilyFields.h;
// docs/JSON.md lists them all).
#pragma once

#include <cstdint>
#include <optional>

#include "readings/Reading.h"

namespace ravo {

// Low battery (status bit 7) and the firmware version (status bits 0-3) of a
// status byte.
inline void setBatteryAndFirmware(Reading& r, int status) {
    r.batteryLow = (status & 0x80) != 0;
    r.firmware = status & 0x0F;
}

inline FieldValue wholeNumber(double v) { return static_cast<std::int64_t>(v); }

// A measured value, or null where the transmitter reports no value.
inline FieldValue measured(std::optional<double> v) { return v ? FieldValue(*v) : FieldValue(nullptr); }

}  // namespace ravo
