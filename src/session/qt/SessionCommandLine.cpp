#include "session/qt/SessionCommandLine.h"

#include <cstdlib>
#include <filesystem>

#include "http/HttpRequest.h"
#include "influx/InfluxUrl.h"
#include "publish/MqttUrl.h"

namespace ravo {

std::string toStd(const QString& s) { return s.toUtf8().toStdString(); }

void addScreenOptions(QCommandLineParser& p) {
    p.addOption({"band", "Receiver type: vhf or uhf (vhf).", "vhf|uhf", "vhf"});
    p.addOption({"log-dir", "Enable logging into DIR (reading logs and error files).", "DIR"});
    p.addOption({"separate-files", "One log file per transmitter and day."});
    p.addOption({"pulse-prefix", "File-name prefix of the pulse log (ravo).", "TEXT", "ravo"});
    p.addOption({"temp-prefix", "File-name prefix of the temperature log (ravo).", "TEXT", "ravo"});
    p.addOption({"filter", "Address filter of the message box (0: none).", "TEXT", "0"});
    p.addOption({"set", "Type TEXT into box NAME before the input starts; may repeat.", "NAME=TEXT"});
    p.addOption({"echo", "Write every receiver-monitor append to FILE.", "FILE"});
    p.addOption({"state", "Write a JSON snapshot of the screen to FILE when the input ends.", "FILE"});
    p.addOption({"json", "Write every reading and bad frame as a JSON line on stdout instead of the message texts."});
    p.addOption({"json-file", "Append every reading and bad frame as a JSON line to FILE.", "FILE"});
}

bool readScreenOptions(const QCommandLineParser& p, SessionOptions& out, std::string& error) {
    ScreenOptions o;
    const QString band = p.value("band");
    if (band != "vhf" && band != "uhf") {
        error = "--band must be vhf or uhf, not '" + toStd(band) + "'";
        return false;
    }
    o.vhf = band == "vhf";
    if (p.isSet("log-dir")) {
        o.logDir = toStd(p.value("log-dir"));
        if (o.logDir.empty()) {
            error = "--log-dir needs a folder";
            return false;
        }
        if (o.logDir.back() != '/') o.logDir += '/';
    }
    o.separateFiles = p.isSet("separate-files");
    o.pulsePrefix = toStd(p.value("pulse-prefix"));
    o.tempPrefix = toStd(p.value("temp-prefix"));
    o.filter = toStd(p.value("filter"));
    for (const QString& s : p.values("set")) {
        const qsizetype eq = s.indexOf('=');
        if (eq < 0) {
            error = "--set wants NAME=TEXT, not '" + toStd(s) + "'";
            return false;
        }
        o.sets.emplace_back(toStd(s.left(eq)), toStd(s.mid(eq + 1)));
    }
    out.screen = std::move(o);
    out.echoPath = toStd(p.value("echo"));
    out.statePath = toStd(p.value("state"));
    out.jsonStdout = p.isSet("json");
    if (p.isSet("json-file")) {
        out.jsonFilePath = toStd(p.value("json-file"));
        if (out.jsonFilePath.empty()) {
            error = "--json-file needs a file name";
            return false;
        }
    }
    return true;
}

void addRegistryOptions(QCommandLineParser& p, bool live) {
    p.addOption({"silence-after",
                 "Report a transmitter silent once it has not been heard for SECONDS, or for three times its own "
                 "median interval (auto).",
                 "SECONDS|auto"});
    if (live)
        p.addOption({"summary-file",
                     "Keep the table of every transmitter heard (CSV) in FILE, rewritten every "
                     "minute and at exit.",
                     "FILE"});
    else p.addOption({"summary", "After the input, print the table of every transmitter heard (CSV)."});
}

bool readRegistryOptions(const QCommandLineParser& p, bool live, SessionOptions& o, std::string& error) {
    if (p.isSet("silence-after")) {
        const std::string text = toStd(p.value("silence-after"));
        o.silence = SilencePolicy::parse(text);
        if (!o.silence) {
            error = "--silence-after must be a positive number of seconds or auto, not '" + text + "'";
            return false;
        }
    }
    if (live) {
        if (p.isSet("summary-file")) {
            o.summaryFile = toStd(p.value("summary-file"));
            if (o.summaryFile.empty()) {
                error = "--summary-file needs a file name";
                return false;
            }
        }
    } else {
        o.summary = p.isSet("summary");
    }
    return true;
}

void addMqttOptions(QCommandLineParser& p) {
    p.addOption({"mqtt",
                 "Publish readings to the MQTT broker at mqtt://[USER@]HOST[:PORT][/PREFIX] "
                 "(port 1883, topic prefix ravo), or over TLS at mqtts://... (port 8883).",
                 "URL"});
    p.addOption({"mqtt-cafile",
                 "With mqtts://: trust the broker's certificate when it chains to the CA in FILE (PEM; else the "
                 "system's CA store).",
                 "FILE"});
    p.addOption(
        {"mqtt-cert", "With mqtts://: this program's certificate (PEM), for a broker that asks for one.", "FILE"});
    p.addOption({"mqtt-key", "With mqtts://: the private key of --mqtt-cert (PEM).", "FILE"});
    p.addOption(
        {"mqtt-password-file", "The broker password: the first line of FILE (else RAVO_MQTT_PASSWORD).", "FILE"});
    p.addOption({"mqtt-discovery", "Publish Home Assistant discovery configs for every value heard."});
}

bool readMqttOptions(const QCommandLineParser& p, SessionOptions& o, std::string& error) {
    o.mqtt = {};
    if (!p.isSet("mqtt")) {
        for (const char* name : {"mqtt-password-file", "mqtt-discovery", "mqtt-cafile", "mqtt-cert", "mqtt-key"})
            if (p.isSet(name)) {
                error = std::string("--") + name + " needs --mqtt URL";
                return false;
            }
        return true;
    }
    o.mqtt.url = p.value("mqtt").toStdString();
    // A URL or files that cannot be used are told with the other bad options, before any input is read.
    const std::optional<MqttUrl> url = parseMqttUrl(o.mqtt.url, error);
    if (!url) return false;
    o.mqtt.passwordFile = p.value("mqtt-password-file").toStdString();
    o.mqtt.discovery = p.isSet("mqtt-discovery");
    o.mqtt.tls = {toStd(p.value("mqtt-cafile")), toStd(p.value("mqtt-cert")), toStd(p.value("mqtt-key"))};
    return checkMqttTls(*url, o.mqtt.tls, error);
}

void addInfluxOptions(QCommandLineParser& p) {
    p.addOption({"influx",
                 "Write readings to InfluxDB at http[s]://[USER@]HOST:PORT/write?db=DB (1.x) or "
                 "http[s]://HOST:PORT/api/v2/write?org=ORG&bucket=BUCKET (2.x).",
                 "URL"});
    p.addOption({"influx-token-file",
                 "The InfluxDB 1.x password of USER or the 2.x token: the first line of FILE (else "
                 "RAVO_INFLUX_TOKEN).",
                 "FILE"});
    p.addOption({"influx-cafile", "With an https URL: trust the certificates in FILE (PEM).", "FILE"});
}

bool readInfluxOptions(const QCommandLineParser& p, SessionOptions& o, std::string& error) {
    o.influx = {};
    if (!p.isSet("influx")) {
        for (const char* name : {"influx-token-file", "influx-cafile"})
            if (p.isSet(name)) {
                error = std::string("--") + name + " needs --influx URL";
                return false;
            }
        return true;
    }
    o.influx.url = toStd(p.value("influx"));
    // A URL that cannot be used is told with the other bad options, before any input is read.
    const std::optional<InfluxUrl> url = parseInfluxUrl(o.influx.url, error);
    if (!url) return false;
    o.influx.tokenFile = toStd(p.value("influx-token-file"));
    o.influx.caFile = toStd(p.value("influx-cafile"));
    if (p.isSet("influx-token-file") && o.influx.tokenFile.empty()) {
        error = "--influx-token-file needs a file name";
        return false;
    }
    if (p.isSet("influx-cafile") && (o.influx.caFile.empty() || !url->https)) {
        error = o.influx.caFile.empty() ? "--influx-cafile needs a file name" : "--influx-cafile is for https:// URLs";
        return false;
    }
    return true;
}

void addHttpOptions(QCommandLineParser& p) {
    p.addOption({"http",
                 "Serve the transmitters, readings, events and metrics over HTTP on [ADDR:]PORT (127.0.0.1 when "
                 "only the port is given; [::1]:PORT for IPv6; port 0 takes a free one).",
                 "[ADDR:]PORT"});
    p.addOption({"http-token-file",
                 "With --http: every path but /healthz needs the token on the first line of FILE (Bearer, or "
                 "Basic with it as the password); needed on an address other than loopback.",
                 "FILE"});
    p.addOption({"http-cert", "With --http: serve HTTPS with the PEM certificate (chain) in FILE.", "FILE"});
    p.addOption({"http-key", "With --http-cert: the certificate's PEM private key in FILE.", "FILE"});
}

bool readHttpOptions(const QCommandLineParser& p, SessionOptions& o, std::string& error) {
    o.http = {};
    if (!p.isSet("http")) {
        for (const char* name : {"http-token-file", "http-cert", "http-key"})
            if (p.isSet(name)) {
                error = std::string("--") + name + " needs --http [ADDR:]PORT";
                return false;
            }
        return true;
    }
    o.http.listen = toStd(p.value("http"));
    const std::optional<HttpAddress> address = parseHttpAddress(o.http.listen, error);
    if (!address) return false;
    o.http.tokenFile = toStd(p.value("http-token-file"));
    o.http.certFile = toStd(p.value("http-cert"));
    o.http.keyFile = toStd(p.value("http-key"));
    for (const auto& [name, value] : {std::pair{"http-token-file", &o.http.tokenFile},
                                      std::pair{"http-cert", &o.http.certFile}, std::pair{"http-key", &o.http.keyFile}})
        if (p.isSet(name) && value->empty()) {
            error = std::string("--") + name + " needs a file name";
            return false;
        }
    if (o.http.certFile.empty() != o.http.keyFile.empty()) {
        error = o.http.certFile.empty() ? "--http-key needs --http-cert FILE" : "--http-cert needs --http-key FILE";
        return false;
    }
    if (!address->loopback() && o.http.tokenFile.empty()) {
        error = "--http " + o.http.listen +
                " is reachable from other machines: it needs --http-token-file FILE (loopback needs none)";
        return false;
    }
    return true;
}

void addHistoryOptions(QCommandLineParser& p, bool monitor) {
    if (monitor)
        p.addOption({"history",
                     "Keep every reading in the SQLite file FILE (live runs: " +
                         QString::fromStdString(historyDefaultPath()) + ").",
                     "FILE"});
    else p.addOption({"history", "Keep every reading in the SQLite file FILE (ravo-cli history reads it).", "FILE"});
    p.addOption({"history-days", "Keep the readings of the last N days before the newest one (400).", "N", "400"});
    if (monitor) p.addOption({"no-history", "Keep no history file."});
}

std::string historyDefaultPath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && *data == '/') return std::string(data) + "/ravo/history.sqlite";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.local/share/ravo/history.sqlite";
    return {};
}

bool readHistoryOptions(const QCommandLineParser& p, bool monitor, bool live, SessionOptions& o, std::string& error) {
    bool ok = false;
    const int days = p.value("history-days").toInt(&ok);
    if (!ok || days < 1) {
        error =
            "--history-days must be a whole number of days, 1 or more, not '" + toStd(p.value("history-days")) + "'";
        return false;
    }
    o.historyDays = days;
    const bool off = monitor && p.isSet("no-history");
    if (off && p.isSet("history")) {
        error = "--history and --no-history do not go together";
        return false;
    }
    o.historyPath.clear();
    if (p.isSet("history")) {
        o.historyPath = toStd(p.value("history"));
        if (o.historyPath.empty()) {
            error = "--history needs a file name";
            return false;
        }
        return true;
    }
    if (off || !monitor || !live) return true;
    o.historyPath = historyDefaultPath();
    if (o.historyPath.empty()) return true;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(o.historyPath).parent_path();
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error =
            "cannot create " + folder.string() + " for the history (" + ec.message() + "); --no-history runs without";
        return false;
    }
    return true;
}

}  // namespace ravo
