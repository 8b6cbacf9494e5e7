#include "cli/MqttOptions.h"

#include "readings/JsonLines.h"

namespace ravo::cli {

void addMqttOptions(QCommandLineParser& p) {
    p.addOption({"mqtt", "Publish readings to the MQTT broker at mqtt://[USER@]HOST[:PORT][/PREFIX] "
                         "(port 1883, topic prefix ravo).", "URL"});
    p.addOption({"mqtt-password-file", "The broker password: the first line of FILE (else RAVO_MQTT_PASSWORD).",
                 "FILE"});
    p.addOption({"mqtt-discovery", "Publish Home Assistant discovery configs for every value heard."});
}

bool makeMqttOutput(const QCommandLineParser& p, std::unique_ptr<MqttOutput>& out, std::string& error) {
    out.reset();
    if (!p.isSet("mqtt")) {
        if (p.isSet("mqtt-password-file") || p.isSet("mqtt-discovery")) {
            error = std::string(p.isSet("mqtt-discovery") ? "--mqtt-discovery" : "--mqtt-password-file") +
                    " needs --mqtt URL";
            return false;
        }
        return true;
    }
    const std::optional<MqttUrl> url = parseMqttUrl(p.value("mqtt").toStdString(), error);
    if (!url) return false;
    MqttPublisherSettings settings;
    settings.url = *url;
    if (!readMqttPassword(*url, p.value("mqtt-password-file").toStdString(), settings.password, error)) return false;

    // The messages carry the same JSON as the JSON lines.
    MqttEncoders encoders{readingJson, badFrameJson, connectionJson};
    MqttSinkSettings sinkSettings;
    sinkSettings.discovery = p.isSet("mqtt-discovery");

    auto made = std::make_unique<MqttOutput>();
    made->publisher = std::make_unique<MqttPublisher>(std::move(settings));
    made->sink = std::make_unique<MqttSink>(*made->publisher, std::move(encoders), sinkSettings);
    out = std::move(made);
    return true;
}

std::string mqttStatusText(const MqttPublisher& publisher) {
    const std::string where = publisher.url().host + ":" + std::to_string(publisher.url().port);
    return std::string("MQTT: ") + (publisher.connected() ? "connected to " : "not connected to ") + where + ", " +
           std::to_string(publisher.dropped()) + " dropped";
}

}  // namespace ravo::cli
