#include "cli/CliCommon.h"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

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
    return true;
}

Session::Session(const Clock& clock, const DecodeOptions& options) : options_(options) {
    if (options_.logDir.empty()) files_ = std::make_unique<NoFileSystem>();
    else files_ = std::make_unique<DiskFileSystem>();
    rx_ = std::make_unique<Receiver>(clock, *files_, ReceiverSettings{defaultLogFolder(), localeDecimalSeparator()});
    ScreenModel& screen = rx_->screen;
    screen.addListener([this](const ModelChange& c) {
        if (c.kind == ModelChange::Kind::Message) {
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
    if (echo_) std::fclose(echo_);
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
    return echoOpen(error);
}

bool Session::writeState(std::string& error) {
    if (echo_) std::fflush(echo_);
    if (options_.statePath.empty()) return true;
    std::ofstream out(options_.statePath, std::ios::binary | std::ios::trunc);
    out << stateSnapshotJson(*rx_);
    out.close();
    if (!out) error = "cannot write " + options_.statePath;
    return static_cast<bool>(out);
}

}  // namespace ravo::cli
