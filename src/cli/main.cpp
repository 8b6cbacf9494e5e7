// ravo-cli: headless decoder, logger, receiver commands and traffic simulator.
#include <cstdio>
#include <cstring>

#include "cli/CliCommon.h"

namespace {

const char* kUsage =
    "usage: ravo-cli decode  [options] [FILE]\n"
    "       ravo-cli listen  --port DEVICE [--baud N] [options]\n"
    "       ravo-cli command mode M | addresses A1 A2 A3 | addresses A1 ... A8  [--port DEVICE --baud N]\n"
    "       ravo-cli simulate [--band vhf|uhf] [--seed S] [--count N] [--rate FRAMES_PER_S] [--pty | --output FILE]\n"
    "Run 'ravo-cli COMMAND --help' for the options of a command.\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace ravo::cli;
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const char* command = argv[1];
    if (!std::strcmp(command, "--help") || !std::strcmp(command, "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // The sub-command's own arguments, with the program name in front as the parser expects.
    QStringList args{QString("ravo-cli ") + command};
    for (int i = 2; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

    if (!std::strcmp(command, "decode")) return runDecode(args);
    if (!std::strcmp(command, "listen")) return runListen(args);
    if (!std::strcmp(command, "command")) return runCommand(args);
    if (!std::strcmp(command, "simulate")) return runSimulate(args);
    std::fprintf(stderr, "ravo-cli: unknown command '%s'\n%s", command, kUsage);
    return kExitUsage;
}
