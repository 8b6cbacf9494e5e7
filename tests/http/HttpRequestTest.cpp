#include <gtest/gtest.h>

#include "http/HttpRequest.h"
#include "http/HttpRouter.h"

namespace ravo {
namespace {

TEST(HttpRequest, AddressesToListenOn) {
    struct Case {
        const char* text;
        const char* host;  // null: refused
        int port;
        bool ipv6, loopback;
    };
    const Case cases[] = {
        {"8080", "127.0.0.1", 8080, false, true},
        {"0", "127.0.0.1", 0, false, true},
        {"127.0.0.2:80", "127.0.0.2", 80, false, true},
        {"localhost:8080", "127.0.0.1", 8080, false, true},
        {"0.0.0.0:8080", "0.0.0.0", 8080, false, false},
        {"192.168.1.5:65535", "192.168.1.5", 65535, false, false},
        {"[::1]:8433", "::1", 8433, true, true},
        {"[::]:8433", "::", 8433, true, false},
        {"", nullptr, 0, false, false},
        {"65536", nullptr, 0, false, false},
        {"-1", nullptr, 0, false, false},
        {"80a", nullptr, 0, false, false},
        {"127.0.0.1:", nullptr, 0, false, false},
        {"::1:8433", nullptr, 0, false, false},
        {"[::1]", nullptr, 0, false, false},
        {"[::1]8433", nullptr, 0, false, false},
        {"[127.0.0.1]:80", nullptr, 0, false, false},
        {"example.com:80", nullptr, 0, false, false},
        {"256.0.0.1:80", nullptr, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        const auto a = parseHttpAddress(c.text, error);
        if (!c.host) {
            EXPECT_FALSE(a);
            EXPECT_FALSE(error.empty());
            continue;
        }
        ASSERT_TRUE(a) << error;
        EXPECT_EQ(a->host, c.host);
        EXPECT_EQ(a->port, c.port);
        EXPECT_EQ(a->ipv6, c.ipv6);
        EXPECT_EQ(a->loopback(), c.loopback);
    }
}

TEST(HttpRequest, QueryStrings) {
    struct Case {
        const char* text;
        std::vector<std::pair<std::string, std::string>> items;  // empty with bad: refused
        bool bad = false;
    };
    const Case cases[] = {
        {"", {}},
        {"a=1&b=2", {{"a", "1"}, {"b", "2"}}},
        {"field=t_1&field=t_2", {{"field", "t_1"}, {"field", "t_2"}}},
        {"from=2026-12-01+10%3A00&to=2026-12-09T14%3a05%2B01%3A00",
         {{"from", "2026-12-01 10:00"}, {"to", "2026-12-09T14:05+01:00"}}},
        {"a&&b=", {{"a", ""}, {"b", ""}}},
        {"%C2%B0=%25", {{"\xC2\xB0", "%"}}},
        {"a=%", {}, true},
        {"a=%4", {}, true},
        {"a=%zz", {}, true},
        {"a=%00", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto q = parseQuery(c.text);
        if (c.bad) {
            EXPECT_FALSE(q);
            continue;
        }
        ASSERT_TRUE(q);
        EXPECT_EQ(q->items, c.items);
    }
    const auto q = parseQuery("field=a&x=1&field=b&x=2");
    EXPECT_EQ(q->values("field"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(q->value("x"), "2");
    EXPECT_FALSE(q->value("y"));
}

TEST(HttpRequest, CredentialsOfAuthorization) {
    struct Case {
        const char* header;
        std::optional<std::string> token;
    };
    const Case cases[] = {
        {"Bearer s3cret", "s3cret"},
        {"bearer   s3cret ", "s3cret"},
        {"Basic dXNlcjpzM2NyZXQ=", "s3cret"},      // user:s3cret
        {"Basic OnMzY3JldA==", "s3cret"},          // :s3cret
        {"Basic YTpiOmM=", "b:c"},                 // a:b:c, the password holds colons
        {"Basic dXNlcg==", std::nullopt},          // user, no password
        {"Basic dXNlcjpzM2NyZXQ", std::nullopt},   // padding missing
        {"Basic dX=lcjpzM2NyZXQ=", std::nullopt},  // padding inside
        {"Basic", std::nullopt},
        {"Bearer", std::nullopt},
        {"Digest abc", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        EXPECT_EQ(credentialOf(c.header), c.token);
    }
    EXPECT_TRUE(sameSecret("abc", "abc"));
    for (const char* other : {"abd", "ab", "abcd", ""}) EXPECT_FALSE(sameSecret(other, "abc")) << other;
    EXPECT_FALSE(sameSecret("", ""));  // an empty secret lets nobody in
}

TEST(HttpRequest, LoopbackHosts) {
    for (const char* host : {"localhost", "LOCALHOST:8080", "127.0.0.1", "127.1.2.3:80", "[::1]", "[::1]:8433"})
        EXPECT_TRUE(loopbackHost(host)) << host;
    for (const char* host : {"", "evil.example", "evil.example:8080", "localhost.evil.example", "127.0.0.1.nip.io",
                             "127.0.0.1:x", "128.0.0.1", "[::2]:80", "[::1", "[::1]x", "192.168.1.5", "0.0.0.0"})
        EXPECT_FALSE(loopbackHost(host)) << host;
}

TEST(HttpRequest, Routes) {
    const RouterSettings open{true, ""};
    const RouterSettings tokened{false, "s3cret"};
    struct Case {
        const RouterSettings* settings;
        const char* method;
        const char* target;
        const char* host;
        const char* authorization;  // null: none sent
        int status;
        Endpoint endpoint = Endpoint::None;
    };
    const Case cases[] = {
        {&open, "GET", "/healthz", "localhost:1", nullptr, 200, Endpoint::Health},
        {&open, "HEAD", "/metrics", "127.0.0.1:1", nullptr, 200, Endpoint::Metrics},
        {&open, "GET", "/api/transmitters", "[::1]:1", nullptr, 200, Endpoint::Transmitters},
        {&open, "GET", "/api/transmitters/%31234", "localhost", nullptr, 200, Endpoint::Transmitter},
        {&open, "GET", "/api/transmitters/16777216", "localhost", nullptr, 404},
        {&open, "GET", "/api/transmitters/", "localhost", nullptr, 404},
        {&open, "GET", "/api/events", "localhost", nullptr, 200, Endpoint::Events},
        {&open, "GET", "/api/readings?address=1234&field=a&field=b&every=60", "localhost", nullptr, 200,
         Endpoint::Readings},
        {&open, "GET", "/api/readings?field=a", "localhost", nullptr, 400},
        {&open, "GET", "/api/readings?address=1234&every=0", "localhost", nullptr, 400},
        {&open, "GET", "/api/readings?address=1234&from=yesterday", "localhost", nullptr, 400},
        {&open, "GET", "/api/readings?address=1234&fields=a", "localhost", nullptr, 400},
        {&open, "GET", "/metrics?%zz", "localhost", nullptr, 400},
        {&open, "GET", "/nothing", "localhost", nullptr, 404},
        {&open, "POST", "/metrics", "localhost", nullptr, 405},
        {&open, "DELETE", "/nothing", "localhost", nullptr, 405},
        // DNS rebinding: the page of another name reaching the loopback server.
        {&open, "GET", "/metrics", "evil.example:8080", nullptr, 403},
        {&open, "GET", "/healthz", "evil.example", nullptr, 403},
        {&tokened, "GET", "/metrics", "ravo.lan:8080", nullptr, 401},
        {&tokened, "GET", "/metrics", "ravo.lan:8080", "Bearer wrong", 401},
        {&tokened, "GET", "/metrics", "ravo.lan:8080", "Bearer s3cret", 200, Endpoint::Metrics},
        {&tokened, "GET", "/metrics", "ravo.lan:8080", "Basic YW55b25lOnMzY3JldA==", 200, Endpoint::Metrics},
        {&tokened, "GET", "/nothing", "ravo.lan", nullptr, 401},  // nothing told before the token
        {&tokened, "POST", "/metrics", "ravo.lan", nullptr, 401},
        {&tokened, "GET", "/healthz", "ravo.lan", nullptr, 200, Endpoint::Health},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.target + " Host " + c.host);
        HttpRequest request{c.method, c.target, c.host, std::nullopt, std::nullopt};
        if (c.authorization) request.authorization = c.authorization;
        const Route r = routeRequest(request, *c.settings);
        EXPECT_EQ(r.status, c.status) << r.reason;
        EXPECT_EQ(r.endpoint, c.endpoint);
        EXPECT_EQ(r.reason.empty(), r.status == 200);
        const auto header = [&](const char* name) -> std::string {
            for (const auto& [k, v] : r.headers)
                if (k == name) return v;
            return {};
        };
        EXPECT_EQ(header("Allow"), c.status == 405 ? "GET, HEAD" : "");
        EXPECT_EQ(header("WWW-Authenticate"), c.status == 401 ? "Basic realm=\"ravo\"" : "");
    }

    HttpRequest one{"GET", "/api/transmitters/4128", "localhost", std::nullopt, std::nullopt};
    EXPECT_EQ(routeRequest(one, open).address, 4128);
    HttpRequest readings{"GET", "/api/readings?address=77&field=a&field=b&from=2026-12-09T14:00:00Z&every=60",
                         "localhost", std::nullopt, std::nullopt};
    const Route r = routeRequest(readings, open);
    EXPECT_EQ(r.readings.span.address, 77);
    EXPECT_EQ(r.readings.fields, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(r.readings.span.fromMs, 1796824800000);
    EXPECT_FALSE(r.readings.span.toMs);
    EXPECT_EQ(r.readings.everySeconds, 60);

    for (const auto& [id, status] : std::vector<std::pair<const char*, int>>{{"41", 200}, {"x", 400}, {"-1", 400}}) {
        HttpRequest events{"GET", "/api/events", "localhost", std::nullopt, id};
        const Route e = routeRequest(events, open);
        EXPECT_EQ(e.status, status) << id;
        EXPECT_EQ(e.lastEventId, status == 200 ? std::optional<std::uint64_t>(41) : std::nullopt);
    }
}

}  // namespace
}  // namespace ravo
