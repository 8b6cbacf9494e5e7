// The publisher and the sink against a broker of the test's own.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "publish/Broker.h"
#include "publish/MqttPublisher.h"
#include "publish/MqttSink.h"

namespace ravo {
namespace {

using namespace std::chrono_literals;
using test::HeardList;

MqttPublisherSettings at(int port, const std::string& prefix) {
    MqttPublisherSettings s;
    s.url.host = "127.0.0.1";
    s.url.port = port;
    s.url.prefix = prefix;
    return s;
}

auto count(const std::string& topic, size_t n) {
    return [topic, n](const HeardList& h) {
        return static_cast<size_t>(std::count_if(h.begin(), h.end(), [&](auto& m) { return m.topic == topic; })) >= n;
    };
}

TEST(MqttSink, TopicsPayloadsDiscoveryAndStatus) {
    if (test::mosquittoProgram().empty()) GTEST_SKIP() << "mosquitto is not installed";
    test::Broker broker;
    ASSERT_TRUE(broker.start());
    test::Subscriber sub(broker.port());
    ASSERT_TRUE(sub.ok());
    MqttPublisher publisher(at(broker.port(), "site"));
    MqttSinkSettings discovery;
    discovery.discovery = true;
    MqttSink sink(publisher,
                  {[](const Reading& r) { return "R" + std::to_string(r.address) + "#" + std::to_string(r.type); },
                   [](const BadFrameEvent& e) { return "B " + e.bytes; },
                   [](const ConnectionEvent& e) { return "C " + e.device; }},
                  discovery);
    ASSERT_TRUE(publisher.start());

    Reading r;
    r.family = "temperature";
    r.address = 1234;
    r.type = 0x82;
    r.batteryLow = true;
    r.set("temperature_1_C", 21.5);
    r.set("temperature_2_C", nullptr);  // an error value: announced once it has a value
    sink.reading(r);
    r.type = 0x83;
    r.set("temperature_2_C", 20.0);
    sink.reading(r);
    sink.badFrame({LocalTime{}, "82 00", "line"});
    sink.connection({ConnectionEvent::Kind::Lost, LocalTime{}, "/dev/ttyUSB0"});
    sink.availability(1234, false);
    ASSERT_TRUE(publisher.waitUntilDelivered(5s));
    ASSERT_TRUE(sub.waitFor(count("site/transmitters/1234/availability", 2)));

    std::vector<std::string> seen;
    for (const test::Heard& h : sub.on(""))
        seen.push_back(h.topic + " " + (h.topic.find("/config") == std::string::npos ? h.payload : ""));
    const std::vector<std::string> expected = {
        "site/status online",
        "site/transmitters/1234/availability online",
        "homeassistant/binary_sensor/ravo_1234/battery_low/config ",
        "homeassistant/sensor/ravo_1234/temperature_1_C/config ",
        "site/readings R1234#130",
        "site/transmitters/1234 R1234#130",
        "homeassistant/sensor/ravo_1234/temperature_2_C/config ",
        "site/readings R1234#131",
        "site/transmitters/1234 R1234#131",
        "site/bad_frames B 82 00",
        "site/events C /dev/ttyUSB0",
        "site/transmitters/1234/availability offline",
    };
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(nlohmann::json::parse(sub.on("homeassistant/sensor/ravo_1234/temperature_1_C/config").at(0).payload),
              nlohmann::json::parse(R"({
        "name": "Temperature 1", "unique_id": "ravo_1234_temperature_1_C",
        "state_topic": "site/transmitters/1234", "value_template": "{{ value_json.temperature_1_C }}",
        "device_class": "temperature", "unit_of_measurement": "\u00b0C", "state_class": "measurement",
        "expire_after": 7200, "availability_topic": "site/transmitters/1234/availability",
        "device": {"identifiers": ["ravo_1234"], "name": "Ravo temperature 1234", "model": "temperature",
                   "manufacturer": "Ravo"}})"));

    // After a clean stop, a newcomer gets the retained messages only: offline, the
    // latest reading per transmitter, the availability and the configs.
    publisher.stop();
    test::Subscriber late(broker.port());
    ASSERT_TRUE(late.waitFor(count("homeassistant/sensor/ravo_1234/temperature_2_C/config", 1)));
    ASSERT_TRUE(late.waitFor(test::lastIs("site/status", "offline")));
    EXPECT_EQ(late.on("site/transmitters/1234").at(0).payload, "R1234#131");
    EXPECT_EQ(late.on("site/transmitters/1234/availability").at(0).payload, "offline");
    EXPECT_TRUE(late.on("site/readings").empty());
    for (const test::Heard& h : late.on("")) {
        EXPECT_TRUE(h.retained) << h.topic;
    }
}

TEST(EntityKind, FromFieldNames) {
    struct Row {
        const char* name;
        FieldValue value;
        const char *component, *deviceClass, *unit, *stateClass;
    };
    const Row rows[] = {
        {"temperature_1_C", 21.5, "sensor", "temperature", "\xC2\xB0" "C", "measurement"},
        {"humidity_pct", 40.0, "sensor", "humidity", "%", "measurement"},
        {"level_pct", 40.0, "sensor", "", "%", "measurement"},
        {"current_2_mA", 12.0, "sensor", "current", "mA", "measurement"},
        {"energy_kWh", 1.5, "sensor", "energy", "kWh", "total_increasing"},
        {"count_1", std::int64_t{5}, "sensor", "", "", "total_increasing"},
        {"battery_low", true, "binary_sensor", "battery", "", ""},
        {"alarm_1", false, "binary_sensor", "problem", "", ""},
        {"device_type", std::string("PT100"), "sensor", "", "", ""},
    };
    for (const Row& row : rows) {
        const EntityKind k = entityKind(row.name, row.value);
        EXPECT_EQ(k.component + "|" + k.deviceClass + "|" + k.unit + "|" + k.stateClass,
                  std::string(row.component) + "|" + row.deviceClass + "|" + row.unit + "|" + row.stateClass);
    }
}

// Past the bound messages are dropped and counted; what was kept is delivered, in
// order, once a broker is there.
TEST(MqttPublisher, BoundedQueueDeliveredInOrderOnceTheBrokerComes) {
    if (test::mosquittoProgram().empty()) GTEST_SKIP() << "mosquitto is not installed";
    test::Broker broker;
    MqttPublisherSettings settings = at(broker.port(), "q");
    settings.queueLimit = 50;
    settings.inFlightWindow = 7;
    settings.firstRetry = settings.lastRetry = 1500ms;  // the subscriber is in place before the next attempt
    MqttPublisher publisher(settings);
    ASSERT_TRUE(publisher.start());
    int accepted = 0;
    for (int i = 0; i < 60; ++i) accepted += publisher.publish("q/n", std::to_string(i));
    EXPECT_EQ(accepted, 50);
    EXPECT_EQ(publisher.dropped(), 10u);
    EXPECT_FALSE(publisher.waitUntilDelivered(300ms));
    EXPECT_EQ(publisher.lastError(), "cannot connect to 127.0.0.1:" + std::to_string(broker.port()) +
                                         ": Connection refused");

    ASSERT_TRUE(broker.start());
    test::Subscriber sub(broker.port(), "q/n");
    ASSERT_TRUE(sub.ok());
    ASSERT_TRUE(publisher.waitUntilDelivered(10s));
    EXPECT_EQ(publisher.delivered(), 50u);
    ASSERT_TRUE(sub.waitFor(count("q/n", 50)));
    const HeardList got = sub.on("q/n");
    for (int i = 0; i < 50; ++i) EXPECT_EQ(got[static_cast<size_t>(i)].payload, std::to_string(i));
}

}  // namespace
}  // namespace ravo
