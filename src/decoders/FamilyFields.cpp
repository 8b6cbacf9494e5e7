#include "decoders/FamilyFields.h"

#include <vector>

namespace ravo {

std::span<const FamilyFields> familyFields() {
    static const std::vector<FamilyFields> all = [] {
        std::vector<FamilyFields> v;
        for (auto families : {temperatureFamilies, humidityFamilies, pulseCounterFamilies, voltageCurrentFamilies,
                              thermocoupleFamilies, legionellaFamilies, contactAlarmFamilies, levelPressureFamilies,
                              electricityFamilies, leakNoiseFamilies, f1SubDecoderFamilies, f1Families})
            for (const FamilyFields& f : families()) v.push_back(f);
        return v;
    }();
    return all;
}

const FamilyFields* findFamilyFields(std::string_view family) {
    for (const FamilyFields& f : familyFields())
        if (f.family == family) return &f;
    return nullptr;
}

}  // namespace ravo
