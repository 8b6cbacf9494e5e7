// Settings of a sub-command read from a file, one long option a line:
//
//   # a comment (only at the start of a line)
//   port = /dev/serial/by-id/usb-receiver
//   log-dir = /var/log/ravo
//   separate-files              a flag: bare, or "= true" / "= false"
//   pulse-prefix = ""           quotes keep an empty text or blanks at either end
//   set = txtzero[0]=12000      an option that may repeat: one line each
//
// The file becomes arguments for the command's own parser, so every option the
// command knows is accepted under its long name and nothing else is. An option
// given on the command line replaces what the file says for it (all of the file's
// lines for an option that may repeat).
#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <string>

namespace ravo::cli {

// The file's lines as arguments ("--name=value", "--name") for `parser`, which
// must hold every option of the command (it is used to tell names, flags and
// options with a value apart, and is left unparsed). False with
// "FILE:LINE: reason" (or why the file cannot be read) in `error`.
bool configArguments(const QString& path, QCommandLineParser& parser, QStringList& out, std::string& error);

// Parses `args` (program name first). When they hold --config FILE, the file's
// settings come first and the command line's replace them. False with a reason.
bool parseWithConfig(QCommandLineParser& parser, const QStringList& args, std::string& error);

}  // namespace ravo::cli
