// The `veil` subcommands. Each takes the arguments after its name and
// returns the exit status.
#ifndef VEIL_COMMANDS_H
#define VEIL_COMMANDS_H

#include "command_support.h"

namespace veil {

// veil alpha IN.png OUT.png --source red|green|blue|average|alpha|1-4
int RunAlphaCommand(const Program& program, int argc, char** argv);

// veil fill IN.png OUT.png --color R,G,B|#RRGGBB [--at X,Y] --threshold T
//           [--soft [--strength K]]
int RunFillCommand(const Program& program, int argc, char** argv);

// veil run SCRIPT.lua IN.png OUT.png [ARGS...]
int RunScriptCommand(const Program& program, int argc, char** argv);

}  // namespace veil

#endif  // VEIL_COMMANDS_H
