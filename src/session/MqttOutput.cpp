#include "session/MqttOutput.h"

#include "readings/JsonLines.h"

namespace ravo {

bool makeMqttOutput(const MqttOptions& options, std::unique_ptr<MqttOutput>& out, std::string& error) {
    out.reset();
    if (options.url.empty()) return true;
    const std::optional<MqttUrl> url = parseMqttUrl(options.url, error);
    if (!url) return false;
    MqttPublisherSettings settings;
    settings.url = *url;
    if (!checkMqttTls(*url, options.tls, error)) return false;
    settings.tls = options.tls;
    if (!readMqttPassword(*url, options.passwordFile, settings.password, error)) return false;

    // The messages carry the same JSON as the JSON lines.
    MqttEncoders encoders{readingJson, badFrameJson, connectionJson};
    MqttSinkSettings sinkSettings;
    sinkSettings.discovery = options.discovery;

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

}  // namespace ravo
