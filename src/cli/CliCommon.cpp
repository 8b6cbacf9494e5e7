#include "cli/CliCommon.h"

#include <QCoreApplication>
#include <cerrno>
#include <clocale>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

#include "cli/ConfigFile.h"
#include "common/Latin1.h"
#include "common/Platform.h"
#include "presentation/StateSnapshot.h"
#include "serial/Connection.h"
#include "sim/Replay.h"

namespace ravo::cli {

int fail(const std::string& message) {
    std::fprintf(stderr, "ravo-cli: %s\n", message.c_str());
    return kExitUsage;
}

std::string toStd(const QString& s) { return s.toUtf8().toStdString(); }

std::optional<int> parseCommandLine(QCommandLineParser& parser, const QStringList& args, bool withConfig) {
    const QCommandLineOption help({"h", "help"}, "Show the options of this command.");
    const QCommandLineOption version("version", "Show the version.");
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(args)) return fail(toStd(parser.errorText()));
    if (parser.isSet(help)) {
        // The help text names the program as the core application knows it.
        int argc = 1;
        QByteArray name = args.value(0, "ravo-cli").toLocal8Bit();
        char* argv[] = {name.data(), nullptr};
        std::unique_ptr<QCoreApplication> app;
        if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("ravo-cli %s\n", RAVO_VERSION);
        return 0;
    }
    if (withConfig) {
        std::string error;
        if (!parseWithConfig(parser, args, error)) return fail(error);
    }
    return std::nullopt;
}

std::string openFailureText(int outcome, const std::string& device, const std::string& detail) {
    switch (static_cast<OpenOutcome>(outcome)) {
        case OpenOutcome::InvalidPort: return "no such device: " + device;
        case OpenOutcome::Busy: return std::string(kPortBusy) + " (" + device + ")";
        case OpenOutcome::PermissionDenied: return permissionDeniedText(device);
        default: return "cannot open " + device + (detail.empty() ? "" : ": " + detail);
    }
}

void addDecodeOptions(QCommandLineParser& p) {
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

bool readDecodeOptions(const QCommandLineParser& p, DecodeOptions& o, std::string& error) {
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
    o.sets = p.values("set");
    for (const QString& s : o.sets) {
        if (!s.contains('=')) {
            error = "--set wants NAME=TEXT, not '" + toStd(s) + "'";
            return false;
        }
    }
    o.echoPath = toStd(p.value("echo"));
    o.statePath = toStd(p.value("state"));
    o.json = p.isSet("json");
    if (p.isSet("json-file")) {
        o.jsonFilePath = toStd(p.value("json-file"));
        if (o.jsonFilePath.empty()) {
            error = "--json-file needs a file name";
            return false;
        }
    }
    return true;
}

Session::Session(const Clock& clock, const DecodeOptions& options) : options_(options) {
    if (options_.logDir.empty()) files_ = std::make_unique<NoFileSystem>();
    else files_ = std::make_unique<DiskFileSystem>();
    rx_ = std::make_unique<Receiver>(clock, *files_, ReceiverSettings{defaultLogFolder(), localeDecimalSeparator()});
    ScreenModel& screen = rx_->screen;
    const bool text = !options_.json;
    screen.addListener([this, text](const ModelChange& c) {
        if (c.kind == ModelChange::Kind::Message && text) {
            const std::string line = latin1ToUtf8(c.text) + "\n";
            std::fwrite(line.data(), 1, line.size(), stdout);
        } else if (c.kind == ModelChange::Kind::MonitorAppend && echo_) {
            std::fwrite(c.text.data(), 1, c.text.size(), echo_);
        }
    });
    rx_->onError = [this](const std::string& text) {
        std::fprintf(stderr, "Error: %s\n", latin1ToUtf8(text).c_str());
        rx_->pendingErrors.clear();  // nothing waits for an OK here
    };
}

Session::~Session() {
    if (jsonFileSink_) rx_->readings.remove(jsonFileSink_.get());
    if (jsonStdout_) rx_->readings.remove(jsonStdout_.get());
    if (echo_) std::fclose(echo_);
    if (jsonFile_) std::fclose(jsonFile_);
}

void Session::writeJsonLine(const std::string& json) {
    const std::string line = json + "\n";
    if (options_.json) std::fwrite(line.data(), 1, line.size(), stdout);
    if (jsonFile_) {
        std::fwrite(line.data(), 1, line.size(), jsonFile_);
        std::fflush(jsonFile_);
    }
}

bool Session::jsonFileOpen(std::string& error) {
    if (options_.json) {
        // stdout is flushed by its owner: at the end of decode, after every tick of listen.
        jsonStdout_ = std::make_unique<JsonLinesSink>(stdout, false);
        rx_->readings.add(jsonStdout_.get());
    }
    if (options_.jsonFilePath.empty()) return true;
    jsonFile_ = std::fopen(options_.jsonFilePath.c_str(), "ab");
    if (!jsonFile_) {
        error = "cannot write " + options_.jsonFilePath + ": " + std::strerror(errno);
        return false;
    }
    jsonFileSink_ = std::make_unique<JsonLinesSink>(jsonFile_, false);
    rx_->readings.add(jsonFileSink_.get());
    // Moved away by logrotate: the lines from here on go to a new file of that name.
    reopeners.push_back([this] {
        if (jsonFileSink_) rx_->readings.remove(jsonFileSink_.get());
        jsonFileSink_.reset();
        if (jsonFile_) std::fclose(jsonFile_);
        jsonFile_ = std::fopen(options_.jsonFilePath.c_str(), "ab");
        if (!jsonFile_) {
            std::fprintf(stderr, "ravo-cli: cannot write %s: %s\n", options_.jsonFilePath.c_str(), std::strerror(errno));
            return;
        }
        jsonFileSink_ = std::make_unique<JsonLinesSink>(jsonFile_, false);
        rx_->readings.add(jsonFileSink_.get());
    });
    return true;
}

bool Session::flush(std::string& error) {
    std::fflush(stdout);
    if (!jsonFile_) return true;
    if (std::fflush(jsonFile_) != 0 || jsonFileSink_->failed()) {
        error = "cannot write " + options_.jsonFilePath;
        return false;
    }
    return true;
}

bool Session::echoOpen(std::string& error) {
    if (options_.echoPath.empty()) return true;
    echo_ = std::fopen(options_.echoPath.c_str(), "wb");
    if (!echo_) {
        error = "cannot write " + options_.echoPath + ": " + std::strerror(errno);
        return false;
    }
    reopeners.push_back([this] {
        if (echo_) std::fclose(echo_);
        echo_ = std::fopen(options_.echoPath.c_str(), "ab");
        if (!echo_)
            std::fprintf(stderr, "ravo-cli: cannot write %s: %s\n", options_.echoPath.c_str(), std::strerror(errno));
    });
    return true;
}

void Session::reopenOutputs() {
    for (const auto& reopen : reopeners) reopen();
}

void Session::flushOutputs() {
    if (echo_) std::fflush(echo_);
    std::fflush(stdout);
}

bool Session::configure(std::string& error) {
    Receiver& rx = *rx_;
    rx.selectBand(options_.vhf);
    if (!options_.logDir.empty()) {
        // Like the default log folder at start-up, the folder asked for is created when missing.
        if (!files_->folderExists(options_.logDir) && !files_->createFolder(options_.logDir)) {
            error = "cannot create the log folder " + options_.logDir;
            return false;
        }
        rx.screen.setLoggingEnabled(true);
        rx.screen.setText(Field::txtfilepath, options_.logDir);
    }
    rx.screen.setSeparateFiles(options_.separateFiles);
    typeIntoBox(rx, "txtpulsefilename", options_.pulsePrefix);
    typeIntoBox(rx, "txttempfilename", options_.tempPrefix);
    typeIntoBox(rx, "txtaddfilter", options_.filter);
    for (const QString& s : options_.sets) {
        const qsizetype eq = s.indexOf('=');
        const std::string name = toStd(s.left(eq));
        if (!typeIntoBox(rx, name, toStd(s.mid(eq + 1)))) {
            error = "--set: no text box named '" + name + "'";
            return false;
        }
    }
    return echoOpen(error) && jsonFileOpen(error);
}

bool Session::writeState(std::string& error) {
    if (echo_) std::fflush(echo_);
    if (!flush(error)) return false;
    if (options_.statePath.empty()) return true;
    std::ofstream out(options_.statePath, std::ios::binary | std::ios::trunc);
    out << stateSnapshotJson(*rx_);
    out.close();
    if (!out) error = "cannot write " + options_.statePath;
    return static_cast<bool>(out);
}

}  // namespace ravo::cli
