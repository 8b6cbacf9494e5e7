// The MQTT options that ravo-cli decode, ravo-cli listen and ravo-monitor share:
// --mqtt URL, --mqtt-password-file FILE, --mqtt-discovery.
#pragma once

#include <QCommandLineParser>
#include <chrono>
#include <memory>
#include <string>

#include "publish/MqttPublisher.h"
#include "publish/MqttSink.h"

namespace ravo::cli {

void addMqttOptions(QCommandLineParser& parser);

// The publisher (not yet started) and the sink that feeds it.
struct MqttOutput {
    std::unique_ptr<MqttPublisher> publisher;
    std::unique_ptr<MqttSink> sink;
};

// Makes the output the parsed options ask for; `out` stays empty without --mqtt.
// False with a one-line reason on a bad URL, an unreadable password file or
// options that need --mqtt without it.
bool makeMqttOutput(const QCommandLineParser& parser, std::unique_ptr<MqttOutput>& out, std::string& error);

// One line about the broker connection and the drop count, e.g.
// "MQTT: connected to host:1883, 0 dropped".
std::string mqttStatusText(const MqttPublisher& publisher);

}  // namespace ravo::cli
