// The writer against a recording HTTP server of the test's own: the request shape
// of both APIs, what each answer leads to and what is told about it, the queue's
// bound, and a stop while the server does not answer.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <thread>

#include "influx/InfluxTestSupport.h"
#include "influx/InfluxWriter.h"
#include "session/InfluxOutput.h"

namespace ravo {
namespace {

using namespace std::chrono_literals;
using Answer = test::HttpRecorder::Answer;

InfluxWriterSettings fast(const std::string& url, const std::string& token = "") {
    InfluxWriterSettings s;
    std::string error;
    s.url = *parseInfluxUrl(url, error);
    s.token = token;
    s.batchDelay = 10ms;
    s.firstRetry = 100ms;  // long enough for a look between two failures, even on a busy machine
    s.lastRetry = 100ms;
    return s;
}

// Polls `done` for at most 10 s, handing every line the watch tells to `told`.
template <typename Done>
bool settle(InfluxWriter& w, InfluxWatch& watch, std::vector<std::string>& told, Done done) {
    for (auto end = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(5ms)) {
        for (std::string& line : watch.changes(w)) told.push_back(std::move(line));
        if (done()) return true;
    }
    return false;
}

TEST(InfluxWriter, AnswersAndWhatIsTold) {
    struct Row {
        const char* what;
        const char* user;
        const char* path;  // after http://USER@127.0.0.1:PORT
        const char* token;
        std::vector<Answer> answers;
        std::uint64_t written, refused;
        size_t requests;
        std::vector<std::string> told;  // "$W" stands for 127.0.0.1:PORT
    };
    const std::string unauthorized = R"({"code":"unauthorized","message":"unauthorized access"})";
    const std::string noDatabase = R"({"error":"database not found: \"x\""})";
    const Row rows[] = {
        {"taken at once", "", "/write?db=x", "", {{204, ""}}, 3, 0, 1, {}},
        {"server errors, then taken",
         "",
         "/write?db=x",
         "",
         {{503, "busy"}, {503, "busy"}, {500, "<html>\nbroken\n</html>"}, {204, ""}},
         3,
         0,
         4,
         {"InfluxDB at $W answered HTTP 503: busy", "InfluxDB at $W answered HTTP 500: <html> broken </html>",
          "InfluxDB: writing to $W database \"x\" again"}},
        {"a refused token, told once however often it is refused",
         "",
         "/api/v2/write?org=o&bucket=b",
         "bad",
         {{401, unauthorized}, {401, unauthorized}, {401, unauthorized}, {401, unauthorized}, {204, ""}},
         3,
         0,
         5,
         {"InfluxDB at $W refused the token (HTTP 401: unauthorized access)",
          "InfluxDB: writing to $W bucket \"b\" again"}},
        {"no token at all",
         "",
         "/api/v2/write?org=o&bucket=b",
         "",
         {{401, unauthorized}, {204, ""}},
         3,
         0,
         2,
         {"InfluxDB at $W wants a token (HTTP 401: unauthorized access): give --influx-token-file FILE or "
          "RAVO_INFLUX_TOKEN",
          "InfluxDB: writing to $W bucket \"b\" again"}},
        {"a missing database, told once until it is created",
         "",
         "/write?db=x",
         "",
         {{404, noDatabase}, {404, noDatabase}, {404, noDatabase}, {204, ""}},
         3,
         0,
         4,
         {"InfluxDB at $W has no database \"x\" (create it: CREATE DATABASE \"x\")",
          "InfluxDB: writing to $W database \"x\" again"}},
        {"a refused password",
         "ann@",
         "/write?db=x",
         "pw",
         {{401, R"({"error":"authorization failed"})"}, {204, ""}},
         3,
         0,
         2,
         {"InfluxDB at $W refused the password of user \"ann\" (HTTP 401: authorization failed)",
          "InfluxDB: writing to $W database \"x\" again"}},
        {"a 1.x server that wants a user",
         "",
         "/write?db=x",
         "",
         {{401, R"({"error":"unable to parse authentication credentials"})"}, {204, ""}},
         3,
         0,
         2,
         {"InfluxDB at $W wants a user name and password (HTTP 401: unable to parse authentication credentials): give "
          "http://USER@HOST:PORT/write?db=DB and --influx-token-file FILE or RAVO_INFLUX_TOKEN",
          "InfluxDB: writing to $W database \"x\" again"}},
        {"a user not allowed to write",
         "ann@",
         "/write?db=x",
         "pw",
         {{403, R"({"error":"not authorized"})"}, {204, ""}},
         3,
         0,
         2,
         {"InfluxDB at $W does not let user \"ann\" write to database \"x\" (HTTP 403: not authorized)",
          "InfluxDB: writing to $W database \"x\" again"}},
        {"a batch the server cannot parse is refused, not sent again",
         "",
         "/write?db=x",
         "",
         {{400, R"({"error":"unable to parse 'l1': missing fields"})"}, {204, ""}},
         0,
         3,
         1,
         {"InfluxDB: 3 lines refused so far (last: 3 lines refused: InfluxDB at $W answered HTTP 400: unable to parse "
          "'l1': missing fields)"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        test::HttpRecorder server(row.answers);
        const std::string where = "127.0.0.1:" + std::to_string(server.port());
        InfluxWriter w(fast("http://" + std::string(row.user) + where + row.path, row.token));
        InfluxWatch watch;
        std::string error;
        ASSERT_TRUE(w.start(error)) << error;
        for (const char* line : {"l1", "l2", "l3"}) w.write(line);
        std::vector<std::string> told;
        ASSERT_TRUE(settle(w, watch, told, [&] { return w.backlog() == 0; }));
        EXPECT_EQ(w.written(), row.written);
        EXPECT_EQ(w.refused(), row.refused);
        std::vector<std::string> expected;
        for (std::string t : row.told) {
            for (size_t at = t.find("$W"); at != std::string::npos; at = t.find("$W", at)) t.replace(at, 2, where);
            expected.push_back(t);
        }
        // Told once per cause: a repeated answer tells nothing new.
        EXPECT_EQ(told, expected);
        // Every request carries all three lines, in order, and nothing else.
        const std::vector<test::HttpRequest> requests = server.requests();
        EXPECT_EQ(requests.size(), row.requests);
        for (const test::HttpRequest& r : requests) EXPECT_EQ(r.body, "l1\nl2\nl3\n");
        w.stop();
    }
}

TEST(InfluxWriter, RequestShapeOfBothApis) {
    struct Row {
        std::string url;  // after http://
        const char* token;
        const char* target;
        const char* authorization;  // "" for none
    };
    const Row rows[] = {
        {"/api/v2/write?org=acme%20inc&bucket=ravo", "T0k3n", "/api/v2/write?org=acme%20inc&bucket=ravo&precision=ms",
         "Token T0k3n"},
        {"/write?db=x&rp=week", "", "/write?db=x&rp=week&precision=ms", ""},
        {"/write?db=x", "pw", "/write?db=x&precision=ms", "Basic YW5uOnB3"},  // ann:pw
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        test::HttpRecorder server({{204, ""}});
        const bool basic = std::string(row.authorization).rfind("Basic", 0) == 0;
        InfluxWriter w(
            fast("http://" + std::string(basic ? "ann@" : "") + "127.0.0.1:" + std::to_string(server.port()) + row.url,
                 row.token));
        std::string error;
        ASSERT_TRUE(w.start(error));
        w.write("m,address=1,band=vhf status=0i 1");
        ASSERT_TRUE(w.waitUntilDelivered(5s));
        const std::vector<test::HttpRequest> requests = server.requests();
        ASSERT_EQ(requests.size(), 1u);
        const test::HttpRequest& r = requests[0];
        EXPECT_EQ(r.method, "POST");
        EXPECT_EQ(r.target, row.target);
        EXPECT_EQ(r.headers.count("authorization") ? r.headers.at("authorization") : "", row.authorization);
        EXPECT_EQ(r.headers.at("content-type"), "text/plain; charset=utf-8");
        EXPECT_EQ(r.body, "m,address=1,band=vhf status=0i 1\n");
    }
}

// Lines past the bound are dropped and counted, never waited for; at the stop,
// what was held is told as not delivered, with the reason.
TEST(InfluxWriter, BoundedQueueAndStopReport) {
    const int port = test::freeLoopbackPort();  // nobody listens there
    InfluxWriterSettings s = fast("http://127.0.0.1:" + std::to_string(port) + "/write?db=x");
    s.queueLimit = 10;
    s.batchLines = 4;
    InfluxWriter w(std::move(s));
    std::string error;
    ASSERT_TRUE(w.start(error));
    int accepted = 0;
    for (int i = 0; i < 25; ++i) accepted += w.write("m v=1 " + std::to_string(i));
    EXPECT_EQ(accepted, 10);
    EXPECT_EQ(w.dropped(), 15u);
    EXPECT_FALSE(w.waitUntilDelivered(300ms));
    w.stop();
    EXPECT_EQ(w.backlog(), 10u);
    const std::string where = "127.0.0.1:" + std::to_string(port);
    EXPECT_EQ(influxStopReport(w, 3),
              (std::vector<std::string>{"InfluxDB: 10 lines not delivered within 3 s (cannot reach InfluxDB at " +
                                            where + ": " + curl_easy_strerror(CURLE_COULDNT_CONNECT) + ")",
                                        "InfluxDB: 15 lines dropped (queue full)"}));
}

// A server that takes the request and never answers does not hold up the stop.
TEST(InfluxWriter, StopBreaksOffARequestWithoutAnswer) {
    test::HttpRecorder server({}, /*silent=*/true);
    InfluxWriter w(fast("http://127.0.0.1:" + std::to_string(server.port()) + "/write?db=x"));
    std::string error;
    ASSERT_TRUE(w.start(error));
    w.write("m v=1 1");
    EXPECT_FALSE(w.waitUntilDelivered(300ms));
    w.stop();
    EXPECT_EQ(w.backlog(), 1u);
    EXPECT_EQ(w.written(), 0u);
}

}  // namespace
}  // namespace ravo
