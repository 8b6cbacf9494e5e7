// The MQTT output of a session: the publisher and the sink that feeds it.
#pragma once

#include <memory>
#include <string>

#include "publish/MqttPublisher.h"
#include "publish/MqttSink.h"
#include "session/SessionOptions.h"

namespace ravo {

struct MqttOutput {
    std::unique_ptr<MqttPublisher> publisher;  // not yet started
    std::unique_ptr<MqttSink> sink;
};

// The output the options ask for; `out` stays empty without a URL. False with a
// one-line reason on a bad URL or an unreadable password file.
bool makeMqttOutput(const MqttOptions& options, std::unique_ptr<MqttOutput>& out, std::string& error);

// One line about the broker connection and the drop count, e.g.
// "MQTT: connected to host:1883, 0 dropped".
std::string mqttStatusText(const MqttPublisher& publisher);

}  // namespace ravo
