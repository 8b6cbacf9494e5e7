// Sub-commands that this build does not have yet.
#include "cli/CliCommon.h"

namespace ravo::cli {

int runListen(const QStringList&) { return fail("listen is not available in this build"); }
int runCommand(const QStringList&) { return fail("command is not available in this build"); }
int runSimulate(const QStringList&) { return fail("simulate is not available in this build"); }

}  // namespace ravo::cli
