#include "publish/MqttSink.h"

#include <algorithm>

namespace ravo {

MqttSink::MqttSink(MqttPublisher& publisher, MqttEncoders encoders, MqttSinkSettings settings)
    : publisher_(publisher), encoders_(std::move(encoders)), settings_(std::move(settings)) {
    const std::string& prefix = publisher_.prefix();
    settings_.discoverySettings.prefix = prefix;
    readingsTopic_ = prefix + "/readings";
    transmittersTopic_ = prefix + "/transmitters/";
    badFramesTopic_ = prefix + "/bad_frames";
    eventsTopic_ = prefix + "/events";
}

void MqttSink::announce(const Reading& r, std::vector<const FieldDecl*>& announced, const FieldDecl& field,
                        const FieldValue& value) {
    // A null value is not announced yet: the entity comes with the first real value.
    if (std::holds_alternative<std::nullptr_t>(value)) return;
    if (std::find(announced.begin(), announced.end(), &field) != announced.end()) return;
    announced.push_back(&field);
    DiscoveryMessage m = discoveryMessage(r, field, settings_.discoverySettings);
    publisher_.publish(std::move(m.topic), std::move(m.payload), 1, true);
}

void MqttSink::reading(const Reading& r) {
    const auto [it, first] = heard_.try_emplace(r.address);
    if (first) availability(r.address, true);
    if (settings_.discovery) {
        std::vector<const FieldDecl*>& announced = it->second;
        if (r.batteryLow) announce(r, announced, kBatteryLowField, *r.batteryLow);
        if (r.firmware) announce(r, announced, kFirmwareField, std::int64_t{*r.firmware});
        if (r.sLevel) announce(r, announced, kSLevelField, *r.sLevel);
        for (const ReadingField& f : r.fields) announce(r, announced, *f.decl, f.value);
    }
    std::string payload = encoders_.reading(r);
    publisher_.publish(readingsTopic_, payload, 1, false);
    publisher_.publish(transmittersTopic_ + std::to_string(r.address), std::move(payload), 1, true);
}

void MqttSink::badFrame(const BadFrameEvent& e) {
    if (encoders_.badFrame) publisher_.publish(badFramesTopic_, encoders_.badFrame(e), 1, false);
}

void MqttSink::connection(const ConnectionEvent& e) {
    if (encoders_.connection) publisher_.publish(eventsTopic_, encoders_.connection(e), 1, false);
}

void MqttSink::availability(std::int32_t address, bool online) {
    publisher_.publish(transmittersTopic_ + std::to_string(address) + "/availability", online ? "online" : "offline", 1,
                       true);
}

}  // namespace ravo
