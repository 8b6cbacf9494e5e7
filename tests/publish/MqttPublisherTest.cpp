// The publisher and the sink against a broker of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <vector>

#include "decoders/FamilyFields.h"
#include "publish/Broker.h"
#include "publish/Discovery.h"
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

    const FamilyFields& temperature = *findFamilyFields("temperature");
    Reading r;
    r.family = "temperature";
    r.address = 1234;
    r.type = 0x82;
    r.batteryLow = true;
    r.set(*temperature.find("temperature_1_C"), 21.5);
    r.set(*temperature.find("temperature_2_C"), nullptr);  // an error value: announced once it has a value
    sink.reading(r);
    r.type = 0x83;
    r.set(*temperature.find("temperature_2_C"), 20.0);
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

// What Home Assistant is told of a field is its family's declaration.
TEST(EntityKind, FromTheDeclarations) {
    struct Row {
        const char* family;  // "" for the common fields
        const char* field;
        const char *component, *deviceClass, *unit, *stateClass;
    };
    const Row rows[] = {
        {"temperature", "temperature_1_C", "sensor", "temperature",
         "\xC2\xB0"
         "C",
         "measurement"},
        {"humidity", "humidity_pct", "sensor", "humidity", "%", "measurement"},
        {"f1_adc", "voltage_2_V", "sensor", "voltage", "V", "measurement"},
        {"pressure", "pressure_dm", "sensor", "", "dm", "measurement"},
        {"contact", "count", "sensor", "", "", "total_increasing"},
        {"f1_meter", "meter_reading", "sensor", "", "", "total_increasing"},
        {"f1_meter", "serial_number", "sensor", "", "", ""},
        {"f1_leak_noise", "leak", "binary_sensor", "moisture", "", ""},
        {"thermistor", "sensor_error", "binary_sensor", "problem", "", ""},
        {"contact", "channel_1_closed", "binary_sensor", "", "", ""},
        {"", "battery_low", "binary_sensor", "battery", "", ""},
        {"", "firmware", "sensor", "", "", ""},
        {"", "s_level", "sensor", "", "", "measurement"},
    };
    const FieldDecl* common[] = {&kBatteryLowField, &kFirmwareField, &kSLevelField};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.family) + " " + row.field);
        const FieldDecl* decl = nullptr;
        if (*row.family) {
            const FamilyFields* family = findFamilyFields(row.family);
            ASSERT_NE(family, nullptr);
            decl = family->find(row.field);
        } else {
            for (const FieldDecl* c : common)
                if (c->name == row.field) decl = c;
        }
        ASSERT_NE(decl, nullptr);
        const EntityKind k = entityKind(*decl);
        EXPECT_EQ(k.component + "|" + k.deviceClass + "|" + k.unit + "|" + k.stateClass,
                  std::string(row.component) + "|" + row.deviceClass + "|" + row.unit + "|" + row.stateClass);
    }
}

// Every declared field makes a config Home Assistant accepts: a binary sensor has
// no unit and no state class, a device class comes with one of its units, and
// only counters add up.
TEST(EntityKind, EveryDeclaredFieldFitsHomeAssistant) {
    const std::map<std::string, std::vector<std::string>> unitsOf = {
        {"temperature",
         {"\xC2\xB0"
          "C",
          "K"}},
        {"humidity", {"%"}},
        {"voltage", {"V", "mV"}},
    };
    const std::vector<std::string> binaryClasses = {"battery", "moisture", "problem", "opening", "tamper"};
    std::vector<const FieldDecl*> all = {&kBatteryLowField, &kFirmwareField, &kSLevelField};
    for (const FamilyFields& f : familyFields())
        for (std::span<const FieldDecl> t : {f.own, f.shared})
            for (const FieldDecl& d : t) all.push_back(&d);
    for (const FieldDecl* d : all) {
        SCOPED_TRACE(std::string(d->name));
        const EntityKind k = entityKind(*d);
        if (k.component == "binary_sensor") {
            EXPECT_EQ(k.unit + k.stateClass, "");
            if (!k.deviceClass.empty()) {
                EXPECT_NE(std::find(binaryClasses.begin(), binaryClasses.end(), k.deviceClass), binaryClasses.end());
            }
            continue;
        }
        if (!k.deviceClass.empty()) {
            ASSERT_TRUE(unitsOf.count(k.deviceClass)) << k.deviceClass;
            const std::vector<std::string>& units = unitsOf.at(k.deviceClass);
            EXPECT_NE(std::find(units.begin(), units.end(), k.unit), units.end()) << k.unit;
        }
        EXPECT_TRUE(k.stateClass.empty() || k.stateClass == "measurement" || k.stateClass == "total_increasing");
        EXPECT_EQ(k.stateClass == "total_increasing", d->kind == FieldKind::Counter);
    }
}

// A config names the entity by its label and carries the declared unit; the
// common fields are diagnostics.
TEST(Discovery, ConfigFromTheDeclaration) {
    Reading r;
    r.family = "pressure";
    r.address = 4128;
    const DiscoveryMessage pressure = discoveryMessage(r, *findFamilyFields("pressure")->find("pressure_dm"), {});
    EXPECT_EQ(pressure.topic, "homeassistant/sensor/ravo_4128/pressure_dm/config");
    EXPECT_EQ(nlohmann::json::parse(pressure.payload), nlohmann::json::parse(R"({
        "name": "Pressure", "unique_id": "ravo_4128_pressure_dm",
        "state_topic": "ravo/transmitters/4128", "value_template": "{{ value_json.pressure_dm }}",
        "unit_of_measurement": "dm", "state_class": "measurement",
        "expire_after": 7200, "availability_topic": "ravo/transmitters/4128/availability",
        "device": {"identifiers": ["ravo_4128"], "name": "Ravo pressure 4128", "model": "pressure",
                   "manufacturer": "Ravo"}})"));
    const DiscoveryMessage battery = discoveryMessage(r, kBatteryLowField, {});
    EXPECT_EQ(battery.topic, "homeassistant/binary_sensor/ravo_4128/battery_low/config");
    const nlohmann::json j = nlohmann::json::parse(battery.payload);
    EXPECT_EQ(j["name"], "Battery low");
    EXPECT_EQ(j["entity_category"], "diagnostic");
    EXPECT_EQ(j["device_class"], "battery");
    EXPECT_EQ(j["payload_on"], "True");
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
    EXPECT_EQ(publisher.lastError(),
              "cannot connect to 127.0.0.1:" + std::to_string(broker.port()) + ": Connection refused");

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
