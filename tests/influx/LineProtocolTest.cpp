// A reading as a line of line protocol: escaping, each field kind, nulls, times.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "influx/LineProtocol.h"

namespace ravo {
namespace {

constexpr FieldDecl kNumber{"temperature_C", "°C", "Temperature", FieldKind::Number};
constexpr FieldDecl kCounter{"count", "", "Count", FieldKind::Counter};
constexpr FieldDecl kFlag{"sensor_error", "", "Sensor error", FieldKind::Flag};
constexpr FieldDecl kText{"note", "", "Note", FieldKind::Text};
constexpr FieldDecl kOddKey{"a b=c,d\\", "", "Odd", FieldKind::Number};

Reading base() {
    Reading r;
    r.family = "temperature";
    r.address = 1234;
    r.status = 5;
    return r;
}

TEST(LineProtocol, Table) {
    struct Row {
        const char* what;
        Reading reading;
        const char* line;  // at time 1700000000123
    };
    const auto with = [](std::initializer_list<std::pair<const FieldDecl*, FieldValue>> fields, Reading r = base()) {
        for (const auto& [decl, value] : fields) r.set(*decl, value);
        return r;
    };
    Reading common = base();
    common.vhf = false;
    common.sLevel = 3.5;
    common.batteryLow = true;
    common.firmware = 7;  // not written: no time series
    Reading oddFamily = base();
    oddFamily.family = "my fam,ily=x";
    Reading noFamily = base();
    noFamily.family.clear();
    Reading negative = base();
    negative.address = -3;
    negative.status = -1;
    const Row rows[] = {
        {"status alone", base(), "temperature,address=1234,band=vhf status=5i 1700000000123"},
        {"common fields, uhf", common,
         "temperature,address=1234,band=uhf status=5i,s_level=3.5,battery_low=true 1700000000123"},
        {"a number is a float, even a whole one", with({{&kNumber, 20.25}, {&kCounter, std::int64_t{7}}}),
         "temperature,address=1234,band=vhf status=5i,temperature_C=20.25,count=7i 1700000000123"},
        {"a whole number of number kind", with({{&kNumber, std::int64_t{-40}}}),
         "temperature,address=1234,band=vhf status=5i,temperature_C=-40 1700000000123"},
        {"a counter given as a double", with({{&kCounter, 12345678901.0}}),
         "temperature,address=1234,band=vhf status=5i,count=12345678901i 1700000000123"},
        {"flags", with({{&kFlag, false}}),
         "temperature,address=1234,band=vhf status=5i,sensor_error=false 1700000000123"},
        {"a flag given as a number", with({{&kFlag, std::int64_t{2}}}),
         "temperature,address=1234,band=vhf status=5i,sensor_error=true 1700000000123"},
        {"nulls and non-finite numbers are left out",
         with({{&kNumber, nullptr}, {&kCounter, nullptr}, {&kFlag, nullptr}, {&kText, nullptr}}),
         "temperature,address=1234,band=vhf status=5i 1700000000123"},
        {"NaN", with({{&kNumber, std::nan("")}, {&kFlag, true}}),
         "temperature,address=1234,band=vhf status=5i,sensor_error=true 1700000000123"},
        {"infinity as a counter", with({{&kCounter, std::numeric_limits<double>::infinity()}}),
         "temperature,address=1234,band=vhf status=5i 1700000000123"},
        {"a text: quotes and backslashes escaped, 8-bit text as UTF-8",
         with({{&kText, std::string("say \"hi\" C:\\ \xE9t\xE9, a=b")}}),
         "temperature,address=1234,band=vhf status=5i,note=\"say \\\"hi\\\" C:\\\\ \xC3\xA9t\xC3\xA9, a=b\" "
         "1700000000123"},
        {"a number as text", with({{&kText, 1.5}}),
         "temperature,address=1234,band=vhf status=5i,note=\"1.5\" 1700000000123"},
        {"a field key with separators and a trailing backslash", with({{&kOddKey, 1.0}}),
         "temperature,address=1234,band=vhf status=5i,a\\ b\\=c\\,d\\\\=1 1700000000123"},
        {"a measurement keeps '=' but escapes blanks and commas", oddFamily,
         "my\\ fam\\,ily=x,address=1234,band=vhf status=5i 1700000000123"},
        {"no family", noFamily, "unknown,address=1234,band=vhf status=5i 1700000000123"},
        {"negative numbers", negative, "temperature,address=-3,band=vhf status=-1i 1700000000123"},
    };
    for (const Row& row : rows) {
        std::string line = "previous\n";
        appendReadingLine(line, row.reading, 1700000000123);
        EXPECT_EQ(line, std::string("previous\n") + row.line) << row.what;
    }
}

TEST(LineProtocol, FloatsReadBackExactly) {
    Reading r = base();
    r.set(kNumber, 0.0);
    for (const double v : {0.1, -273.15, 1e-7, 123456789.125, 6.02214076e23}) {
        std::get<double>(r.fields.back().value) = v;
        const std::string line = readingLine(r);
        const size_t at = line.find("temperature_C=") + 14;
        EXPECT_EQ(std::strtod(line.c_str() + at, nullptr), v) << line;
    }
}

// The local wall time becomes UTC with the offset in force on that day.
TEST(LineProtocol, LocalTimeToUnixMilliseconds) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    struct Row {
        const char* zone;
        LocalTime t;
        std::int64_t ms;
    };
    const Row rows[] = {
        {"UTC", {1970, 1, 1, 0, 0, 0, 1}, 1},
        {"Europe/Berlin", {2031, 7, 1, 12, 0, 0, 250}, 1940666400250},  // summer time, UTC+2
        {"Europe/Berlin", {2031, 1, 15, 12, 0, 0, 0}, 1926241200000},   // UTC+1
        {"America/New_York", {2031, 1, 15, 13, 1, 0, 0}, 1926266460000},
    };
    for (const Row& row : rows) {
        setenv("TZ", row.zone, 1);
        tzset();
        EXPECT_EQ(unixMillis(row.t), row.ms) << row.zone;
    }
    if (old) setenv("TZ", saved.c_str(), 1);
    else unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace ravo
