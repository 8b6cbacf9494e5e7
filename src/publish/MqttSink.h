// The MQTT output: a ReadingSink that turns readings, bad frames and connection
// events into messages of an MqttPublisher. Topics, under the prefix PREFIX:
//
//   PREFIX/readings                           every reading (QoS 1)
//   PREFIX/transmitters/ADDRESS               the latest reading of a transmitter (QoS 1, retained)
//   PREFIX/transmitters/ADDRESS/availability  "online" / "offline" (retained)
//   PREFIX/bad_frames                         every bad frame (QoS 1)
//   PREFIX/events                             connection events of the receiver (QoS 1)
//   PREFIX/status                             "online" / "offline" of the program (the publisher's)
//   homeassistant/.../config                  discovery configs, retained, when asked for
//
// The payloads come from the encoders given; all calls are on the decoding
// thread and only queue messages.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "publish/Discovery.h"
#include "publish/MqttPublisher.h"
#include "readings/Reading.h"

namespace ravo {

struct MqttEncoders {
    std::function<std::string(const Reading&)> reading;
    std::function<std::string(const BadFrameEvent&)> badFrame;
    std::function<std::string(const ConnectionEvent&)> connection;
};

struct MqttSinkSettings {
    bool discovery = false;               // Home Assistant discovery configs
    DiscoverySettings discoverySettings;  // its prefix is set from the publisher's
};

class MqttSink : public ReadingSink {
public:
    MqttSink(MqttPublisher& publisher, MqttEncoders encoders, MqttSinkSettings settings = {});

    void reading(const Reading& r) override;
    void badFrame(const BadFrameEvent& e) override;
    void connection(const ConnectionEvent& e) override;

    // PREFIX/transmitters/ADDRESS/availability, retained. Sent "online" by the sink
    // itself when a transmitter is first heard; the transmitter registry says
    // when one goes silent and comes back.
    void availability(std::int32_t address, bool online);

private:
    void announce(const Reading& r, std::vector<const FieldDecl*>& announced, const FieldDecl& field,
                  const FieldValue& value);

    MqttPublisher& publisher_;
    MqttEncoders encoders_;
    MqttSinkSettings settings_;
    std::string readingsTopic_, transmittersTopic_, badFramesTopic_, eventsTopic_;
    // Per transmitter heard: the values whose discovery config has gone out.
    std::unordered_map<std::int32_t, std::vector<const FieldDecl*>> heard_;
};

}  // namespace ravo
