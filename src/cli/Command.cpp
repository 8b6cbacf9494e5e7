// ravo-cli command: the bytes of a receiver configuration command, printed in
// hexadecimal and, with --port, sent to the receiver.
#include <QCoreApplication>
#include <QElapsedTimer>

#include "cli/CliCommon.h"
#include "config/Commands.h"
#include "serial/Connection.h"
#include "serial/qt/QtSerialPort.h"
#include "sim/Capture.h"

namespace ravo::cli {

int runCommand(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Print (and with --port send) a receiver configuration command.");
    parser.addOption({"port", "Send the command to the receiver on DEVICE.", "DEVICE"});
    parser.addOption({"baud", "Baud rate (9600).", "N", "9600"});
    parser.addPositionalArgument("what", "mode M | addresses A1 A2 A3 | addresses A1 ... A8");
    if (const auto done = parseCommandLine(parser, args)) return *done;
    const QStringList pos = parser.positionalArguments();
    Command c;
    if (pos.size() == 2 && pos[0] == "mode") {
        c = modeCommand(toStd(pos[1]));
    } else if (pos.size() >= 1 && pos[0] == "addresses" && (pos.size() == 4 || pos.size() == 9)) {
        std::vector<std::string> texts;
        for (qsizetype i = 1; i < pos.size(); ++i) texts.push_back(toStd(pos[i]));
        c = addressCommand(texts);
    } else {
        return fail("command wants: mode M | addresses A1 A2 A3 | addresses A1 ... A8");
    }
    if (!c.ok()) return fail(c.error);
    std::printf("%s\n", capture::hexLine(c.bytes).c_str());
    std::fflush(stdout);
    if (!parser.isSet("port")) return 0;

    bool ok = false;
    const int baud = parser.value("baud").toInt(&ok);
    if (!ok || std::find(std::begin(kBaudRates), std::end(kBaudRates), baud) == std::end(kBaudRates))
        return fail("--baud must be one of 4800, 9600, 19200, 38400, 115200");
    int argc = 1;
    char name[] = "ravo-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QtSerialPort port;
    const std::string device = toStd(parser.value("port"));
    const OpenOutcome outcome = port.open(device, std::to_string(baud) + ",n,8,1");
    if (outcome != OpenOutcome::Ok) return fail(openFailureText(static_cast<int>(outcome), device, port.lastError()));
    if (!port.write(c.bytes) || !port.flush(3000)) return fail("could not write the command to " + device);
    port.close();
    return 0;
}

}  // namespace ravo::cli
