// Shared pieces of the ravo-cli sub-commands.
#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Receiver.h"
#include "presentation/FileSystem.h"

namespace ravo::cli {

constexpr int kExitUsage = 2;

// Prints "ravo-cli: MESSAGE" on stderr and returns the usage exit status.
int fail(const std::string& message);

std::string toStd(const QString& s);

// Why a device could not be opened, in the words the monitor uses.
std::string openFailureText(int outcome, const std::string& device, const std::string& detail);

// Options that decode and listen share: band, logging, prefixes, filter, --set,
// --echo and --state.
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
};

void addDecodeOptions(QCommandLineParser& parser);
// Reads the options; on a bad value returns false with a reason.
bool readDecodeOptions(const QCommandLineParser& parser, DecodeOptions& out, std::string& error);

// A receiver set up as the options say, printing every message-box write on
// stdout and every modal message on stderr, echoing the monitor to --echo.
class Session {
public:
    Session(const Clock& clock, const DecodeOptions& options);
    ~Session();
    // Applies the band, logging settings, filter and --set texts.
    bool configure(std::string& error);
    // Writes the --state snapshot when asked for; false when it cannot be written.
    bool writeState(std::string& error);
    bool echoOpen(std::string& error);

    // SIGHUP: every output file held open is closed and opened again (appending),
    // so that logrotate can move it away. Each output that holds a file open adds
    // its reopener here; a reopener reports its own failures.
    std::vector<std::function<void()>> reopeners;
    void reopenOutputs();
    // Writes out what the open files hold (the programs do it once a second).
    void flushOutputs();

    Receiver& receiver() { return *rx_; }

private:
    DecodeOptions options_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<Receiver> rx_;
    std::FILE* echo_ = nullptr;
};

int runDecode(const QStringList& args);
int runListen(const QStringList& args);
int runCommand(const QStringList& args);
int runSimulate(const QStringList& args);

}  // namespace ravo::cli
