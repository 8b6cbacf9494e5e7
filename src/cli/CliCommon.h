// Shared pieces of the ravo-cli sub-commands.
#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Receiver.h"
#include "presentation/FileSystem.h"
#include "readings/JsonLines.h"

namespace ravo::cli {

constexpr int kExitUsage = 2;

// Prints "ravo-cli: MESSAGE" on stderr and returns the usage exit status.
int fail(const std::string& message);

std::string toStd(const QString& s);

// Parses a sub-command's arguments, with -h/--help and --version added. Returns an
// exit status when the command has nothing more to do: 0 after printing its help
// or the version on stdout, kExitUsage after one line on stderr for arguments it
// cannot use. Returns nothing when the command should run. `withConfig`: the
// command has a --config FILE option, whose settings the command line overrides.
std::optional<int> parseCommandLine(QCommandLineParser& parser, const QStringList& args, bool withConfig = false);

// Why a device could not be opened, in the words the monitor uses.
std::string openFailureText(int outcome, const std::string& device, const std::string& detail);

// Options that decode and listen share: band, logging, prefixes, filter, --set,
// --echo, --state, --json and --json-file.
struct DecodeOptions {
    bool vhf = true;
    std::string logDir;  // empty: no file at all is written
    bool separateFiles = false;
    std::string pulsePrefix = "ravo";
    std::string tempPrefix = "ravo";
    std::string filter = "0";
    QStringList sets;
    std::string echoPath;
    std::string statePath;
    bool json = false;         // JSON lines on stdout instead of the message texts
    std::string jsonFilePath;  // JSON lines appended to this file as well
};

void addDecodeOptions(QCommandLineParser& parser);
// Reads the options; on a bad value returns false with a reason.
bool readDecodeOptions(const QCommandLineParser& parser, DecodeOptions& out, std::string& error);

// A receiver set up as the options say, printing every message-box write on
// stdout (or, with --json, every reading and bad frame as a JSON line) and every
// modal message on stderr, echoing the monitor to --echo and appending JSON lines
// to --json-file.
class Session {
public:
    Session(const Clock& clock, const DecodeOptions& options);
    ~Session();
    // Applies the band, logging settings, filter and --set texts.
    bool configure(std::string& error);
    // Writes the --state snapshot when asked for; false when it cannot be written.
    bool writeState(std::string& error);
    bool echoOpen(std::string& error);
    // Flushes stdout and the JSON file; false with a reason once the file could
    // not be written.
    bool flush(std::string& error);

    // SIGHUP: every output file held open is closed and opened again (appending),
    // so that logrotate can move it away. Each output that holds a file open adds
    // its reopener here; a reopener reports its own failures.
    std::vector<std::function<void()>> reopeners;
    void reopenOutputs();
    // Writes out what the open files hold (the programs do it once a second).
    void flushOutputs();

    Receiver& receiver() { return *rx_; }
    bool json() const { return options_.json; }
    // A JSON line of some other event (silence), to wherever the readings' JSON
    // lines go: stdout with --json, and the --json-file.
    void writeJsonLine(const std::string& json);

private:
    DecodeOptions options_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<Receiver> rx_;
    std::FILE* echo_ = nullptr;
    std::FILE* jsonFile_ = nullptr;
    std::unique_ptr<JsonLinesSink> jsonStdout_;
    std::unique_ptr<JsonLinesSink> jsonFileSink_;

    bool jsonFileOpen(std::string& error);
};

int runDecode(const QStringList& args);
int runListen(const QStringList& args);
int runCommand(const QStringList& args);
int runSimulate(const QStringList& args);

}  // namespace ravo::cli
