// Shared pieces of the ravo-cli sub-commands.
#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>
#include <optional>
#include <string>

#include "session/qt/SessionCommandLine.h"

namespace ravo::cli {

using ravo::toStd;

constexpr int kExitUsage = 2;

// Prints "ravo-cli: MESSAGE" on stderr and returns the usage exit status.
int fail(const std::string& message);

// Parses a sub-command's arguments, with -h/--help and --version added. Returns an
// exit status when the command has nothing more to do: 0 after printing its help
// or the version on stdout, kExitUsage after one line on stderr for arguments it
// cannot use. Returns nothing when the command should run. `withConfig`: the
// command has a --config FILE option, whose settings the command line overrides.
std::optional<int> parseCommandLine(QCommandLineParser& parser, const QStringList& args, bool withConfig = false);

// Why a device could not be opened, in the words the monitor uses.
std::string openFailureText(int outcome, const std::string& device, const std::string& detail);

int runDecode(const QStringList& args);
int runListen(const QStringList& args);
int runCommand(const QStringList& args);
int runSimulate(const QStringList& args);
int runHistory(const QStringList& args);

}  // namespace ravo::cli
