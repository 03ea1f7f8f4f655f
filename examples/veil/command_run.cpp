// veil run: a user's Lua script edits the image, then it is saved. The
// script sees the module's buffer exactly as any host would hand it over.
#include "commands.h"
#include "lua_host.h"

#include <cstdio>
#include <string>
#include <vector>

namespace veil {

int RunScriptCommand(const Program& program, int argc, char** argv) {
  if (argc < 3) {
    return ReportUsageError("run", "expected SCRIPT.lua IN.png OUT.png [ARGS...]");
  }
  const std::string script = argv[0];
  const std::string in = argv[1];
  const std::string out = argv[2];
  const std::vector<std::string> args(argv + 3, argv + argc);

  int status = kExitOk;
  Image image;
  LuaState L = OpenImageCommand(program, in, out, &image, &status);
  if (!L) return status;
  std::string error;
  if (!RunScript(L.get(), script, args, &image, &error)) {
    // Message and traceback as Lua gives them (they name the script and
    // line); nothing is written.
    std::fprintf(stderr, "veil: %s\n", error.c_str());
    return kExitFailure;
  }
  SaveOutput(out, image, &status);
  return status;
}

}  // namespace veil
