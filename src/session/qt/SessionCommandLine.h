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
// --history FILE and --history-days N; `monitor`: --no-history too, and a
// default file (historyDefaultPath) for live runs that name none.
void addHistoryOptions(QCommandLineParser& parser, bool monitor);
// `monitor` as added; `live`: the monitor's default file applies when no option
// names one (its folder is created then). A demo or a replay has none.
bool readHistoryOptions(const QCommandLineParser& parser, bool monitor, bool live, SessionOptions& out,
                        std::string& error);
// --http [ADDR:]PORT, --http-token-file FILE, --http-cert FILE, --http-key FILE:
// the read-only HTTP server. An address other than loopback needs the token.
void addHttpOptions(QCommandLineParser& parser);
bool readHttpOptions(const QCommandLineParser& parser, SessionOptions& out, std::string& error);

// $XDG_DATA_HOME/ravo/history.sqlite, else ~/.local/share/ravo/history.sqlite;
// empty when neither can be told.
std::string historyDefaultPath();

}  // namespace ravo
