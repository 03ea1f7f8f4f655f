// veil: a command-line host for the Q_Veil_Kit Lua module. It embeds Lua
// (5.1 to 5.4), loads the module with `require` and runs it on PNG images.
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "commands.h"
#include "usage.h"

namespace {

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
    std::fputs(veil::Usage("").c_str(), stderr);
    return veil::kExitUsage;
  }
  const std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    return veil::PrintUsage("");
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
    std::fputs("veil: not enough memory\n", stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "veil: %s\n", e.what());
  }
  return veil::kExitFailure;
}
