// veil run: a user's Lua script edits the image, then it is saved. The
// script sees the module's buffer exactly as any host would hand it over.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "lua_host.h"
#include "usage.h"

namespace veil {
namespace {

// The script must be readable before any image is decoded.
bool CheckReadable(const std::string& path, int* status) {
  std::FILE* file = std::fopen(path.c_str(), "r");
  if (file != nullptr) {
    std::fgetc(file);  // a folder opens, but does not read
    const bool readable = !std::ferror(file);
    const int error = errno;
    std::fclose(file);
    if (readable) return true;
    errno = error;
  }
  *status = ReportFailure(path, std::strerror(errno));
  return false;
}

// The script whose Lua code can still run, or null. os.exit calls exit()
// with the script's status, which would claim 0 ("OUT written") or 3
// ("filled nothing") whatever became of OUT. While the script runs, exit()
// ends veil with status 1 and says why instead (no OUT is open then). Its
// finalizers also run when the state is closed, after OUT is written or
// not: an exit() from one ends veil with the status already decided.
const char* g_script = nullptr;
int g_decided_status = -1;  // -1 while the script runs

extern "C" void RefuseExitFromScript() {
  if (g_script == nullptr) return;
  std::fflush(stdout);  // what the script printed
  if (g_decided_status < 0) {
    ReportFailure(g_script, "the script called os.exit; nothing written");
    g_decided_status = kExitFailure;
  }
  std::fflush(stderr);
  _exit(g_decided_status);
}

// Runs the script, saves OUT when it succeeds and closes the state, all
// under the guard above. Returns the exit status.
int RunGuardedScript(LuaState L, const std::string& script,
                     const std::vector<std::string>& args,
                     const ImageView& image, const std::string& out) {
  static const bool guarded = std::atexit(RefuseExitFromScript) == 0;
  static_cast<void>(guarded);
  g_script = script.c_str();
  g_decided_status = -1;
  std::string error;
  int status = kExitOk;
  if (RunScript(L.get(), script, args, image, &error)) {
    SaveOutput(out, image, &status);
  } else {
    // Message and traceback as Lua gives them (they name the script and
    // line); nothing is written.
    std::fprintf(stderr, "veil: %s\n", error.c_str());
    status = kExitFailure;
  }
  g_decided_status = status;
  L.reset();
  g_script = nullptr;
  return status;
}

}  // namespace

int RunScriptCommand(const Program& program, int argc, char** argv) {
  CommandLine line;
  std::string error;
  if (!SplitCommandLine(argc, argv, 0, {kMaxPixelsOption}, {}, true, &line,
                        &error)) {
    return ReportUsageError("run", error);
  }
  if (line.help) return PrintUsage("run");
  if (line.positionals.size() < 3) {
    return ReportUsageError("run", "expected SCRIPT.lua IN.png OUT.png [ARGS...]");
  }
  int status = kExitOk;
  std::int64_t max_pixels = 0;
  if (!ReadMaxPixels(line, &max_pixels, &status)) return status;
  const std::string& script = line.positionals[0];
  const std::string& in = line.positionals[1];
  const std::string& out = line.positionals[2];
  const std::vector<std::string> args(line.positionals.begin() + 3,
                                      line.positionals.end());

  if (!CheckOutputIsNot(out, in, "the input file", &status) ||
      !CheckOutputIsNot(out, script, "the script", &status) ||
      !CheckReadable(script, &status)) {
    return status;
  }
  LuaState L = StartModule(program, &status);
  if (!L) return status;
  ImageView image;
  if (!LoadScript(L.get(), script, &error)) {
    std::fprintf(stderr, "veil: %s\n", error.c_str());  // names file and line
    return kExitFailure;
  }
  if (!LoadInput(L.get(), in, max_pixels, &image, &status)) return status;
  return RunGuardedScript(std::move(L), script, args, image, out);
}

}  // namespace veil
