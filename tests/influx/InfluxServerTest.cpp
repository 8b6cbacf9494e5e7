// Against a real influxd (1.x) of the test's own: what ravo-cli decode --influx
// writes reads back with the values, types and times of its JSON lines; a missing
// database is told once, and the lines wait until it is there.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "TestSupport.h"
#include "decoders/FamilyFields.h"
#include "influx/InfluxTestSupport.h"
#include "influx/InfluxWriter.h"
#include "session/Session.h"

namespace ravo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using nlohmann::json;

#define START_INFLUXD(server) \
    test::Influxd server;     \
    if (const std::string why = server.start(); !why.empty()) GTEST_SKIP() << why;

// "2026-12-07T08:30:00.250+01:00" as milliseconds since 1970 UTC.
std::int64_t isoMillis(const std::string& t) {
    const auto num = [&](size_t at, size_t n) { return std::stoi(t.substr(at, n)); };
    int y = num(0, 4);
    const int m = num(5, 2), d = num(8, 2);
    y -= m <= 2;  // days from civil
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
    const int offset = (t[23] == '-' ? -1 : 1) * (num(24, 2) * 60 + num(27, 2));
    return (((days * 24 + num(11, 2)) * 60 + num(14, 2) - offset) * 60 + num(17, 2)) * 1000 + num(20, 3);
}

// The InfluxDB type a field of a reading of `family` must have.
std::string expectedType(const std::string& family, const std::string& field) {
    if (field == "status") return "integer";
    if (field == "s_level") return "float";
    if (field == "battery_low") return "boolean";
    const FamilyFields* f = findFamilyFields(family);
    const FieldDecl* d = f ? f->find(field) : nullptr;
    if (!d) return "undeclared";
    switch (d->kind) {
        case FieldKind::Number: return "float";
        case FieldKind::Counter: return "integer";
        case FieldKind::Flag: return "boolean";
        case FieldKind::Text: return "string";
    }
    return "?";
}

struct Point {
    std::string family, address, band;
    std::int64_t time;
    bool operator<(const Point& o) const {
        return std::tie(family, address, band, time) < std::tie(o.family, o.address, o.band, o.time);
    }
};

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// Every golden capture through ravo-cli decode --json --influx at once: each
// reading's JSON line is a point in InfluxDB with the same values (two readings
// of one transmitter in one millisecond are one point, the later values winning),
// every field has the type its kind says, and the times agree with the local
// times and their offset.
TEST(InfluxServer, DecodeWritesWhatTheJsonLinesSay) {
#ifndef RAVO_CLI
    GTEST_SKIP() << "built without ravo-cli";
#else
    START_INFLUXD(server);
    ASSERT_EQ(server.query("", "CREATE DATABASE \"ravo\"").dump(), R"({"results":[{"statement_id":0}]})");
    const std::string url = server.base() + "/write?db=ravo";
    const fs::path work = fs::path(::testing::TempDir()) / ("influx-decode-" + std::to_string(getpid()));
    fs::create_directories(work);

    std::map<Point, std::map<std::string, json> > expected;
    size_t readings = 0;
    std::vector<fs::path> cases;
    for (const auto& e : fs::directory_iterator(fs::path(RAVO_SOURCE_DIR) / "tests/data/golden")) cases.push_back(e);
    std::sort(cases.begin(), cases.end());
    ASSERT_GE(cases.size(), 5u);
    for (const fs::path& c : cases) {
        SCOPED_TRACE(c.filename().string());
        std::vector<std::string> args{RAVO_CLI, "decode"};
        for (const std::string& w : words(test::slurp((c / "args.txt").string())))
            if (w != "--separate-files") args.push_back(w);
        args.insert(args.end(), {"--json", "--influx", url, (c / "capture.txt").string()});
        const std::string out = (work / "out").string(), err = (work / "err").string();
        ASSERT_EQ(test::run(args, {"TZ=Europe/Berlin"}, out, err, 20s), 0) << test::slurp(err);
        EXPECT_EQ(test::slurp(err), "");
        std::istringstream lines(test::slurp(out));
        for (std::string line; std::getline(lines, line);) {
            const json j = json::parse(line);
            if (!j.contains("family")) continue;
            ++readings;
            auto& fields =
                expected[{j["family"], std::to_string(j["address"].get<int>()), j["band"], isoMillis(j["time"])}];
            for (const auto& [key, value] : j.items()) {
                if (key == "time" || key == "type" || key == "family" || key == "address" || key == "band" ||
                    key == "line" || key == "firmware")
                    continue;
                // A later null leaves the point's earlier value.
                if (!value.is_null() || !fields.count(key)) fields[key] = value;
            }
        }
    }
    ASSERT_GT(readings, 20u);

    // The types, as the server keeps them.
    const json keys = server.query("ravo", "SHOW FIELD KEYS");
    std::map<std::string, std::map<std::string, std::string> > types;
    for (const json& s : keys["results"][0]["series"])
        for (const json& v : s["values"]) types[s["name"]][v[0]] = v[1];
    std::set<std::string> families;
    for (const auto& [p, fields] : expected) {
        families.insert(p.family);
        for (const auto& [key, value] : fields) {
            if (!value.is_null()) {
                EXPECT_EQ(types[p.family][key], expectedType(p.family, key)) << p.family << "." << key;
            }
        }
    }
    EXPECT_GE(families.size(), 10u);

    // The points, with their times in milliseconds.
    const json points = server.query("ravo", "SELECT * FROM /.*/");
    std::map<Point, std::map<std::string, json> > got;
    for (const json& s : points["results"][0]["series"]) {
        const std::vector<std::string> columns = s["columns"];
        for (const json& row : s["values"]) {
            Point p{s["name"], "", "", 0};
            std::map<std::string, json> fields;
            for (size_t i = 0; i < columns.size(); ++i) {
                if (columns[i] == "time") p.time = row[i];
                else if (columns[i] == "address") p.address = row[i];
                else if (columns[i] == "band") p.band = row[i];
                else fields[columns[i]] = row[i];
            }
            got[p] = fields;
        }
    }
    ASSERT_EQ(got.size(), expected.size());
    for (const auto& [p, fields] : expected) {
        const auto it = got.find(p);
        ASSERT_NE(it, got.end()) << p.family << " " << p.address << " at " << p.time;
        for (const auto& [key, value] : fields) {
            SCOPED_TRACE(p.family + " " + p.address + " " + key);
            const json& stored = it->second[key];
            if (value.is_number_float() || (value.is_number() && stored.is_number_float()))
                EXPECT_NEAR(stored.get<double>(), value.get<double>(),
                            1e-9 * std::max(1.0, std::fabs(value.get<double>())));
            else EXPECT_EQ(stored, value);
        }
    }
    fs::remove_all(work);
#endif
}

// ravo-cli decode into a database that does not exist: one line on stderr names
// the cause and what was not delivered.
TEST(InfluxServer, MissingDatabaseIsOneMessage) {
#ifndef RAVO_CLI
    GTEST_SKIP() << "built without ravo-cli";
#else
    START_INFLUXD(server);
    const std::string dir = ::testing::TempDir() + "influx-missing-" + std::to_string(getpid());
    const std::string capture = std::string(RAVO_SOURCE_DIR) + "/tests/data/golden/pulse-zero-reference/capture.txt";
    const int status =
        test::run({RAVO_CLI, "decode", "--band", "uhf", "--influx", server.base() + "/write?db=absent", capture}, {},
                  dir + ".out", dir + ".err", 20s);
    EXPECT_EQ(status, 1) << "decoding went on, but not every line was delivered";
    const std::string err = test::slurp(dir + ".err");
    const std::string cause = "InfluxDB at 127.0.0.1:" + std::to_string(server.port()) +
                              " has no database \"absent\" (create it: CREATE DATABASE \"absent\")";
    ASSERT_NE(err.find(cause), std::string::npos) << err;
    EXPECT_EQ(err.find(cause), err.rfind(cause)) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(err.rfind("ravo-cli: InfluxDB: ", 0), 0u) << err;
    EXPECT_NE(err.find(" lines not delivered within 3 s ("), std::string::npos) << err;
    std::remove((dir + ".out").c_str());
    std::remove((dir + ".err").c_str());
#endif
}

// A live session: the missing database is told once however many seconds pass;
// created, the lines that waited arrive and the return is told.
TEST(InfluxServer, SessionWaitsForTheDatabase) {
    START_INFLUXD(server);
    SettableClock clock{LocalTime{2026, 12, 10, 8, 0, 0, 0}};
    SessionOptions o;
    o.program = "ravo-test";
    o.screen = ScreenOptions{};
    o.influx.url = server.base() + "/write?db=late";
    Session session(clock, o);
    std::string error;
    ASSERT_TRUE(session.start(error)) << error;
    ASSERT_NE(session.influx(), nullptr);
    // Temperature readings of transmitter 1234, five seconds apart (closer ones are repeats).
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        clock.set(LocalTime{2026, 12, 10, 8, 0, 5 * i, 0});
        const auto value = static_cast<std::uint8_t>(0x28 + i);
        session.receiver().receive(test::withCrc(test::bytes({0x82, 0x00, 0x04, 0xD2, 0x01, 0x00, value, 0x00, 0x00})));
        drainReceiveBuffer(session.receiver(), clock.now());
    }
    for (int i = 0; i < 400 && !session.influx()->failing(); ++i) std::this_thread::sleep_for(10ms);
    for (int i = 0; i < 3; ++i) {
        session.everySecond();
        std::this_thread::sleep_for(200ms);
    }
    const std::string whileMissing = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(whileMissing, "ravo-test: InfluxDB at 127.0.0.1:" + std::to_string(server.port()) +
                                " has no database \"late\" (create it: CREATE DATABASE \"late\")\n");
    EXPECT_NE(session.influxStatus().find("not writing (InfluxDB at"), std::string::npos) << session.influxStatus();

    server.query("", "CREATE DATABASE \"late\"");
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(session.stop(error)) << error;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");  // nothing lost
    EXPECT_EQ(session.influx()->written(), 3u);
    const json points = server.query("late", "SELECT * FROM \"temperature\"");
    const json& values = points["results"][0]["series"][0]["values"];
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[1][0].get<std::int64_t>() - values[0][0].get<std::int64_t>(), 5000);
}

}  // namespace
}  // namespace ravo
