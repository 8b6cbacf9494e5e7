// The fields of every family, as each decoder's file declares them: the family
// key of readings and the table of the fields its readings may carry. The common
// fields (battery_low, firmware, s_level) are no family's own (readings/FieldDecl.h).
#pragma once

#include <span>
#include <string_view>

#include "readings/FieldDecl.h"

namespace ravo {

// Every family key a reading may carry, grouped by the decoder's file.
std::span<const FamilyFields> familyFields();

// The fields of the family keyed `family`, or null for a key no decoder gives.
const FamilyFields* findFamilyFields(std::string_view family);

// The families of each decoder's file, as that file declares them.
std::span<const FamilyFields> temperatureFamilies();
std::span<const FamilyFields> humidityFamilies();
std::span<const FamilyFields> pulseCounterFamilies();
std::span<const FamilyFields> voltageCurrentFamilies();
std::span<const FamilyFields> thermocoupleFamilies();
std::span<const FamilyFields> legionellaFamilies();
std::span<const FamilyFields> contactAlarmFamilies();
std::span<const FamilyFields> levelPressureFamilies();
std::span<const FamilyFields> electricityFamilies();
std::span<const FamilyFields> leakNoiseFamilies();
std::span<const FamilyFields> f1Families();            // F1Family.cpp: the keys of packets no sub-decoder names
std::span<const FamilyFields> f1SubDecoderFamilies();  // F1SubDecoders.cpp
// The fields the F1 dispatcher adds to a reading of any of its packet kinds.
std::span<const FieldDecl> f1DeviceFields();

}  // namespace ravo
