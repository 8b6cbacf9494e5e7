// The command-line options of a session, shared by ravo-cli decode, ravo-cli
// listen and ravo-monitor: added to a parser, then read into SessionOptions.
#pragma once

#include <QCommandLineParser>
#include <string>

#include "session/SessionOptions.h"

namespace ravo {

std::string toStd(const QString& s);

// Band, logging, prefixes, filter, --set, --echo, --state, --json and --json-file
// (ravo-cli decode and listen).
void addScreenOptions(QCommandLineParser& parser);
bool readScreenOptions(const QCommandLineParser& parser, SessionOptions& out, std::string& error);

// --silence-after, and `live` --summary-file FILE or else --summary.
void addRegistryOptions(QCommandLineParser& parser, bool live);
bool readRegistryOptions(const QCommandLineParser& parser, bool live, SessionOptions& out, std::string& error);

// --mqtt URL, --mqtt-password-file FILE, --mqtt-discovery.
void addMqttOptions(QCommandLineParser& parser);
bool readMqttOptions(const QCommandLineParser& parser, SessionOptions& out, std::string& error);

// --influx URL, --influx-token-file FILE, --influx-cafile FILE.
void addInfluxOptions(QCommandLineParser& parser);
bool readInfluxOptions(const QCommandLineParser& parser, SessionOptions& out, std::string& error);

}  // namespace ravo
