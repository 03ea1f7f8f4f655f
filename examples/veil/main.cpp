// veil: a command-line host for the Q_Veil_Kit Lua module. It embeds Lua 5.1,
// loads the module with `require` and runs it on PNG images.
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "commands.h"

namespace {

const char kHelp[] =
    "Usage:\n"
    "  veil alpha IN.png OUT.png --source red|green|blue|average|alpha\n"
    "  veil fill IN.png OUT.png --color R,G,B|#RRGGBB [--at X,Y] --threshold T\n"
    "            [--soft [--strength K]]\n"
    "  veil run SCRIPT.lua IN.png OUT.png [ARGS...]\n"
    "  veil --help | --version\n"
    "\n"
    "alpha  Makes an alpha-only image: the colour becomes 0 and the alpha is\n"
    "       taken from red, green, blue, their average, or the alpha itself\n"
    "       (--source also takes the numbers 1-4: red, green, blue, average).\n"
    "fill   Bucket fill guided by alpha: fills the 4-connected region of pixels\n"
    "       with alpha below the threshold T (1-255) around the seed X,Y, an\n"
    "       offset from the centre pixel (default 0,0). Opaque by default;\n"
    "       --soft fades the colour toward the threshold, scaled by K (0-1,\n"
    "       default 1). Says whether a region was filled, and if not, why.\n"
    "run    Runs a Lua script with the globals `pixels` (light userdata),\n"
    "       `width`, `height` and `arg`; `require \"Q_Veil_Kit\"` gives the\n"
    "       module. The image is saved when the script ends without error.\n"
    "\n"
    "Any PNG is read (8-bit straight alpha inside); OUT.png is 8-bit RGBA,\n"
    "written in full or not at all. IN.png is never modified.\n"
    "Exit status: 0 done, 1 a file, image or script failed, 2 bad command line.\n";

// The folder holding this program, where the module is looked for first.
std::string ProgramDir(const char* argv0) {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  std::string program = length > 0 ? std::string(path, static_cast<std::size_t>(length))
                                   : std::string(argv0);
  const std::size_t slash = program.rfind('/');
  return slash == std::string::npos ? "." : program.substr(0, slash);
}

int Dispatch(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kHelp, stderr);
    return veil::kExitUsage;
  }
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kHelp, stdout);
    return veil::kExitOk;
  }
  if (command == "--version") {
    std::printf("veil %s (Q_Veil_Kit %s, %s, libpng %s)\n", VEIL_VERSION,
                VEIL_VERSION, LUA_RELEASE, png_get_libpng_ver(nullptr));
    return veil::kExitOk;
  }
  const veil::Program program{ProgramDir(argv[0])};
  if (command == "alpha") return veil::RunAlphaCommand(program, argc - 2, argv + 2);
  if (command == "fill") return veil::RunFillCommand(program, argc - 2, argv + 2);
  if (command == "run") return veil::RunScriptCommand(program, argc - 2, argv + 2);
  return veil::ReportUsageError(command, "unknown command (alpha, fill, run; see veil --help)");
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Dispatch(argc, argv);
  } catch (const std::bad_alloc&) {
    return veil::ReportFailure("veil", "not enough memory");
  } catch (const std::exception& e) {
    return veil::ReportFailure("veil", e.what());
  }
}
