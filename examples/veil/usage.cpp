#include "usage.h"

#include <cstdio>

#include "commands.h"

namespace veil {
namespace {

struct CommandHelp {
  const char* name;
  const char* synopsis;
  const char* description;
};

const CommandHelp kCommands[] = {
    {"alpha",
     "veil alpha IN.png OUT.png --source red|green|blue|average|alpha\n"
     "            [--max-pixels N]\n",
     "alpha  Makes an alpha-only image: the colour becomes 0 and the alpha is\n"
     "       taken from red, green, blue, their average, or the alpha itself\n"
     "       (--source also takes the numbers 1-4: red, green, blue, average).\n"},
    {"fill",
     "veil fill IN.png OUT.png --color R,G,B|#RRGGBB|#RGB [--at X,Y] --threshold T\n"
     "            [--soft [--strength K]] [--max-pixels N]\n",
     "fill   Bucket fill guided by alpha: fills the 4-connected region of pixels\n"
     "       with alpha below the threshold T (1-255) around the seed X,Y, an\n"
     "       offset from the centre pixel (default 0,0). Opaque by default;\n"
     "       --soft fades the colour toward the threshold, scaled by K (0-1,\n"
     "       default 1). Says whether a region was filled, and if not, why:\n"
     "       then OUT.png is not written and the exit status is 3.\n"},
    {"run",
     "veil run [--max-pixels N] SCRIPT.lua IN.png OUT.png [ARGS...]\n",
     "run    Runs a Lua script with the globals `pixels` (a full userdata of\n"
     "       exactly width * height pixels), `width`, `height` and `arg`;\n"
     "       `require \"Q_Veil_Kit\"` gives the module. The image is saved when\n"
     "       the script ends without error.\n"},
};

const char kCommon[] =
    "Any PNG is read (8-bit straight alpha inside); OUT.png is 8-bit RGBA,\n"
    "written in full or not at all, and IN.png is never modified. An image of\n"
    "more than 268435456 pixels (16384 x 16384) is refused unless\n"
    "--max-pixels N allows it (N up to 2147483647).\n"
    "Exit status: 0 done; 1 a file, image, script or memory failed; 2 bad\n"
    "command line; 3 fill found nothing to fill.\n";

}  // namespace

std::string Usage(const std::string& command) {
  std::string synopses;
  std::string descriptions;
  for (const CommandHelp& help : kCommands) {
    if (command.empty() || command == help.name) {
      synopses += std::string("  ") + help.synopsis;
      descriptions += help.description;
    }
  }
  if (command.empty()) {
    synopses += "  veil --help | --version | COMMAND --help\n";
  }
  return "Usage:\n" + synopses + "\n" + descriptions + "\n" + kCommon;
}

int PrintUsage(const std::string& command) {
  std::fputs(Usage(command).c_str(), stdout);
  return kExitOk;
}

}  // namespace veil
