// Import of the CSV reading logs: both forms (one file a day, one per transmitter
// and day), the error files left out, nothing added twice, a malformed row named.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "history/CsvLogImport.h"
#include "history/HistoryQuery.h"
#include "history/HistoryReport.h"
#include "history/HistoryTime.h"

namespace ravo {
namespace {

namespace fs = std::filesystem;

TEST(CsvLogImport, BothFormsOnceEachAndMalformedRowsNamed) {
    char name[] = "/tmp/ravo-import-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const fs::path dir = name, logs = dir / "logs";
    fs::create_directories(logs);
    const fs::path golden = fs::path(RAVO_SOURCE_DIR) / "tests/data/golden";
    // Logs as this program writes them, under other prefixes so they lie side by side.
    fs::copy_file(golden / "f1-pt100-adc/logs/ravo07122026.csv", logs / "pulse07122026.csv");
    fs::copy_file(golden / "humidity-uhf/logs/ravo07122026.csv", logs / "site 2 07122026.csv");
    fs::copy_file(golden / "humidity-uhf/logs/errorfile07122026.csv", logs / "errorfile07122026.csv");
    fs::copy_file(golden / "f1-meter-logger/logs/Tx600_07122026.csv", logs / "Tx600_07122026.csv");
    std::ofstream(logs / "ravo08122026.csv") << "Time,Tx. No.,Status,S Level,Value 1,Value 2\r\n"
                                             << "23:59:59, 42,80h, 7,-.5,\r\n"
                                             << "25:00:00, 42,80h,,1,2\r\n"
                                             << "10:00:00, 42,80h,,1\r\n"
                                             << "10:00:00, 42,8h,,1,2\r\n";
    std::ofstream(logs / "notes.txt") << "not a log\n";
    const std::string store = (dir / "h.sqlite").string();

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ImportSummary summary;
        std::vector<std::string> named;
        std::string error;
        ASSERT_TRUE(importCsvLogs(
            store, logs.string(), summary, [&](const std::string& why) { named.push_back(why); }, error))
            << error;
        EXPECT_EQ(summary.files, 4u);
        EXPECT_EQ(summary.added, round == 0 ? 9u : 0u);
        EXPECT_EQ(summary.present, round == 0 ? 0u : 9u);
        EXPECT_EQ(summary.malformed, 3u);
        ASSERT_EQ(named.size(), 3u);
        EXPECT_EQ(named[0], (logs / "ravo08122026.csv").string() + ":3: '25:00:00' is no time of day hh:mm:ss");
        EXPECT_EQ(named[1], (logs / "ravo08122026.csv").string() + ":4: 5 fields where a log row has 6 or 7");
        EXPECT_EQ(named[2],
                  (logs / "ravo08122026.csv").string() + ":5: '8h' is no status (two hexadecimal digits and h)");
    }

    // Each row as the log holds it: numbers where the text is one, else the text.
    struct Expect {
        std::int32_t address;
        LocalTime time;
        std::string json;  // what follows the time
    };
    const Expect expected[] = {
        {300,
         {2026, 12, 7, 12, 0, 2},
         R"("family":"csv_log","address":300,"status":3,"value_1":21.5,"value_2":"1234h","serial":null,"source":"pulse07122026.csv","source_line":3})"},
        {7,
         {2026, 12, 7, 12, 0, 1},
         R"("family":"csv_log","address":7,"status":1,"value_1":-4.66,"value_2":-40.68,"source":"site 2 07122026.csv","source_line":3})"},
        {600,
         {2026, 12, 7, 8, 30, 3},
         R"("family":"csv_log","address":600,"status":32,"value_1":0,"value_2":255,"serial":7,"source":"Tx600_07122026.csv","source_line":4})"},
        {42,
         {2026, 12, 8, 23, 59, 59},
         R"("family":"csv_log","address":42,"status":128,"s_level":7.0,"value_1":-0.5,"value_2":null,"source":"ravo08122026.csv","source_line":2})"},
    };
    HistoryReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(store, error)) << error;
    for (const Expect& e : expected) {
        ReadingsRequest q;
        q.span.address = e.address;
        q.span.fromMs = storedTime(e.time).utcMs;
        q.span.toMs = *q.span.fromMs + 1;
        q.json = true;
        std::string text;
        ASSERT_TRUE(readingsReport(
            reader, q, [&](std::string_view s) { text += s; }, error))
            << error;
        // (600 sent two rows in that second.)
        const std::string line = "{\"time\":\"" + isoTimeOf(storedTime(e.time)) + "\"," + e.json + "\n";
        EXPECT_NE(text.find(line), std::string::npos) << text;
    }
    fs::remove_all(dir);
}

TEST(CsvLogImport, TheDateComesFromTheFileName) {
    struct Case {
        const char* name;
        bool log;
        int year, month, day;
    };
    const Case cases[] = {
        {"ravo07122026.csv", true, 2026, 12, 7},  {"Tx1234_29022028.csv", true, 2028, 2, 29},
        {"2307122026.csv", true, 2026, 12, 7},    {"errorfile07122026.csv", false, 0, 0, 0},
        {"ravo29022027.csv", false, 0, 0, 0},     {"ravo0712026.csv", false, 0, 0, 0},
        {"ravo07122026.csv.bak", false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        int y = 0, m = 0, d = 0;
        EXPECT_EQ(csvLogDate(c.name, y, m, d), c.log) << c.name;
        if (c.log) {
            EXPECT_EQ(std::make_tuple(y, m, d), std::make_tuple(c.year, c.month, c.day)) << c.name;
        }
    }
}

}  // namespace
}  // namespace ravo
