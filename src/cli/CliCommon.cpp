#include "cli/CliCommon.h"

#include <QCoreApplication>

#include "cli/ConfigFile.h"
#include "serial/Connection.h"

namespace ravo::cli {

int fail(const std::string& message) {
    std::fprintf(stderr, "ravo-cli: %s\n", message.c_str());
    return kExitUsage;
}

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

}  // namespace ravo::cli
