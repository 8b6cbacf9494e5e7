// ravo-cli: headless decoder, logger, receiver commands and traffic simulator.
#include <cstdio>
#include <cstring>

#include "cli/CliCommon.h"

namespace {

const char* kUsage =
    "usage: ravo-cli decode  [options] [FILE]\n"
    "       ravo-cli listen  --port DEVICE [--baud N] [options]\n"
    "       ravo-cli listen  --config FILE [options]\n"
    "       ravo-cli command mode M | addresses A1 A2 A3 | addresses A1 ... A8  [--port DEVICE --baud N]\n"
    "       ravo-cli simulate [--band vhf|uhf] [--seed S] [--count N] [--rate FRAMES_PER_S]\n"
    "                         [--forms mixed|binary] [--pty [--start-on-monitor] | --output FILE]\n"
    "       ravo-cli history FILE transmitters | readings --address A [--field F]... [--from T] [--to T]\n"
    "                         [--every SECONDS] | import DIR  [--json]\n"
    "       ravo-cli --help | --version\n";

struct SubCommand {
    const char* name;
    int (*run)(const QStringList&);
};

constexpr SubCommand kCommands[] = {
    {"decode", ravo::cli::runDecode},     {"listen", ravo::cli::runListen},   {"command", ravo::cli::runCommand},
    {"simulate", ravo::cli::runSimulate}, {"history", ravo::cli::runHistory},
};

// The usage, then every command's own help, so that every option is listed.
int printHelp() {
    std::fputs(kUsage, stdout);
    for (const SubCommand& c : kCommands) {
        std::printf("\n== ravo-cli %s ==\n", c.name);
        std::fflush(stdout);
        c.run({QString("ravo-cli ") + c.name, "--help"});
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace ravo::cli;
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const char* command = argv[1];
    if (!std::strcmp(command, "--help") || !std::strcmp(command, "-h")) return printHelp();
    if (!std::strcmp(command, "--version")) {
        std::printf("ravo-cli %s\n", RAVO_VERSION);
        return 0;
    }
    // The sub-command's own arguments, with the program name in front as the parser expects.
    QStringList args{QString("ravo-cli ") + command};
    for (int i = 2; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    for (const SubCommand& c : kCommands)
        if (!std::strcmp(command, c.name)) return c.run(args);
    if (command[0] == '-')
        return fail(std::string("unknown option '") + command + "' (ravo-cli --help lists the commands)");
    return fail(std::string("unknown command '") + command + "' (ravo-cli --help lists the commands)");
}
