// Field metrics: named in Prometheus' base units, every declared field a valid
// and distinct name, and the series bound docs/HTTP.md states.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "decoders/FamilyFields.h"
#include "http/HttpApi.h"

namespace ravo {
namespace {

TEST(HttpMetrics, FieldsInBaseUnits) {
    struct Case {
        FieldDecl decl;
        const char* name;  // empty: no metric
        double scale;
        bool counter;
    };
    const Case cases[] = {
        {{"temperature_1_C",
          "\xC2\xB0"
          "C",
          "Temperature 1", FieldKind::Number},
         "ravo_temperature_1_celsius",
         1,
         false},
        {{"humidity_pct", "%", "Humidity", FieldKind::Number}, "ravo_humidity_ratio", 0.01, false},
        {{"pressure_dm", "dm", "Pressure", FieldKind::Number}, "ravo_pressure_meters", 0.1, false},
        {{"voltage_2_V", "V", "Voltage 2", FieldKind::Number}, "ravo_voltage_2_volts", 1, false},
        {{"current_mA", "mA", "Current", FieldKind::Number}, "ravo_current_amperes", 0.001, false},
        {{"raw_1", "", "Raw 1", FieldKind::Number}, "ravo_raw_1", 1, false},
        {{"count", "", "Count", FieldKind::Counter}, "ravo_count_total", 1, true},
        {{"leak", "", "Leak", FieldKind::Flag}, "", 1, false},
        {{"line", "", "Line", FieldKind::Text}, "", 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.decl.name));
        const FieldMetric m = fieldMetric(c.decl);
        EXPECT_EQ(m.name, c.name);
        if (m.name.empty()) continue;
        EXPECT_DOUBLE_EQ(m.scale, c.scale);
        EXPECT_EQ(m.counter, c.counter);
    }
}

TEST(HttpMetrics, EveryDeclaredFieldAndTheSeriesBound) {
    const std::regex valid("ravo_[a-z0-9_]+");
    const std::set<std::string> baseUnits = {"celsius", "volts",  "amperes", "meters",
                                             "pascals", "joules", "seconds", "ratio"};
    std::size_t most = 0;
    for (const FamilyFields& f : familyFields()) {
        std::set<std::string> names;
        std::size_t numeric = 0;
        for (std::span<const FieldDecl> table : {f.own, f.shared})
            for (const FieldDecl& d : table) {
                const FieldMetric m = fieldMetric(d);
                if (m.name.empty()) continue;
                ++numeric;
                SCOPED_TRACE(std::string(f.family) + " " + std::string(d.name));
                EXPECT_TRUE(std::regex_match(m.name, valid)) << m.name;
                EXPECT_TRUE(names.insert(m.name).second) << m.name;
                // A field with a unit is shown in a base unit, never under the unit's short form.
                const bool based = baseUnits.count(m.name.substr(m.name.rfind('_') + 1)) > 0;
                EXPECT_TRUE(d.unit.empty() || based) << m.name;
            }
        most = std::max(most, numeric);
    }
    std::ifstream doc(std::string(RAVO_SOURCE_DIR) + "/docs/HTTP.md");
    std::stringstream text;
    text << doc.rdbuf();
    EXPECT_NE(text.str().find("numeric field of its family (at most " + std::to_string(most) + ","), std::string::npos)
        << "docs/HTTP.md: the series bound names " << most << " fields";
    EXPECT_NE(text.str().find("so at most " + std::to_string(4 + most) + " per"), std::string::npos);
}

}  // namespace
}  // namespace ravo
