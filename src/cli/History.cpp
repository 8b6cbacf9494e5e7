// ravo-cli history FILE COMMAND: what a history file holds (the transmitters, one
// transmitter's readings, as they are or per interval), and the import of the
// CSV reading logs into it. The queries themselves are the history layer's.
#include <unistd.h>

#include <cstdio>

#include "cli/CliCommon.h"
#include "history/CsvLogImport.h"
#include "history/HistoryQuery.h"
#include "history/HistoryReport.h"
#include "history/HistoryTime.h"

namespace ravo::cli {
namespace {

void write(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

// The options that only `readings` takes.
constexpr const char* kReadingOptions[] = {"address", "field", "from", "to", "every"};

int runImport(const std::string& file, const QStringList& rest) {
    if (rest.size() != 1) return fail("import takes one folder: history FILE import DIR");
    ImportSummary summary;
    std::string error;
    const bool ok = importCsvLogs(
        file, toStd(rest[0]), summary,
        [](const std::string& why) { std::fprintf(stderr, "ravo-cli: %s\n", why.c_str()); }, error);
    if (!ok) return fail(error);
    std::printf("%s\n", importSummaryText(summary).c_str());
    return 0;
}

bool readTime(const QCommandLineParser& parser, const char* name, std::optional<std::int64_t>& out,
              std::string& error) {
    if (!parser.isSet(name)) return true;
    out = parseUserTime(toStd(parser.value(name)), error);
    if (!out) error = std::string("--") + name + ": " + error;
    return out.has_value();
}

int runReadings(HistoryReader& reader, const QCommandLineParser& parser, bool json) {
    if (!parser.isSet("address")) return fail("readings needs --address A");
    bool ok = false;
    const long long address = parser.value("address").toLongLong(&ok);
    if (!ok || address < 0 || address > 0xFFFFFF)
        return fail("--address must be a transmitter address (0 to 16777215), not '" + toStd(parser.value("address")) +
                    "'");
    ReadingsRequest request;
    request.span.address = static_cast<std::int32_t>(address);
    request.json = json;
    for (const QString& f : parser.values("field")) request.fields.push_back(toStd(f));
    std::string error;
    if (!readTime(parser, "from", request.span.fromMs, error) || !readTime(parser, "to", request.span.toMs, error))
        return fail(error);
    if (parser.isSet("every")) {
        request.everySeconds = parser.value("every").toLongLong(&ok);
        if (!ok || request.everySeconds < 1)
            return fail("--every must be a whole number of seconds, 1 or more, not '" + toStd(parser.value("every")) +
                        "'");
    }
    if (!readingsReport(reader, request, write, error)) return fail(error);
    return 0;
}

}  // namespace

int runHistory(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "What a history file (--history of decode, listen and ravo-monitor) holds, and the import of reading logs.\n"
        "  transmitters            one row per address: address,family,first_heard,last_heard,readings\n"
        "  readings --address A    that transmitter's readings: time and one column per field\n"
        "  import DIR              the CSV reading logs in DIR, as family csv_log (again: nothing is added twice)\n"
        "T is local YYYY-MM-DD[ HH:MM[:SS]] or ISO 8601 with an offset; --from is inclusive, --to exclusive.");
    parser.addPositionalArgument("FILE", "The history file.");
    parser.addPositionalArgument("COMMAND", "transmitters | readings | import DIR");
    parser.addOption({"address", "readings: the transmitter's address.", "A"});
    parser.addOption({"field", "readings: only field F (may repeat); all fields without it.", "F"});
    parser.addOption({"from", "readings: from time T on.", "T"});
    parser.addOption({"to", "readings: up to time T.", "T"});
    parser.addOption({"every",
                      "readings: one row per SECONDS-long interval that holds readings (aligned to the Unix epoch): "
                      "start, count and the minimum, mean and maximum of each numeric field.",
                      "SECONDS"});
    parser.addOption({"json", "JSON lines instead of CSV."});
    if (const auto done = parseCommandLine(parser, args)) return *done;
    if (!isatty(fileno(stdout))) {
        static char buffer[1 << 16];
        std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() < 2) return fail("history needs FILE and COMMAND (transmitters, readings or import DIR)");
    const std::string file = toStd(positional[0]);
    const QString command = positional[1];
    const QStringList rest = positional.mid(2);
    const bool json = parser.isSet("json");
    if (command != "transmitters" && command != "readings" && command != "import")
        return fail("unknown history command '" + toStd(command) + "' (transmitters, readings or import DIR)");
    if (command != "readings")
        for (const char* option : kReadingOptions)
            if (parser.isSet(option)) return fail(std::string("--") + option + " is an option of history readings");
    if (command == "import") {
        if (json) return fail("--json is no option of history import");
        return runImport(file, rest);
    }
    if (!rest.isEmpty()) return fail("unexpected argument '" + toStd(rest[0]) + "'");

    HistoryReader reader;
    std::string error;
    if (!reader.open(file, error)) return fail(error);
    if (command == "transmitters") {
        std::vector<TransmitterHistory> transmitters;
        if (!reader.transmitters(transmitters, error)) return fail(error);
        write(transmittersReport(transmitters, json));
        return 0;
    }
    return runReadings(reader, parser, json);
}

}  // namespace ravo::cli
