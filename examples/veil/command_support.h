// What every `veil` command shares: exit statuses, the one-line error report,
// loading the input, saving the output and starting Lua with the module.
#ifndef VEIL_COMMAND_SUPPORT_H
#define VEIL_COMMAND_SUPPORT_H

#include <lua.hpp>

#include <memory>
#include <string>

#include "image.h"

namespace veil {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // a file, an image, Lua or memory failed
constexpr int kExitUsage = 2;    // the command line itself is wrong

// Prints "veil: SUBJECT: REASON" on stderr and returns the status to exit with.
int ReportUsageError(const std::string& subject, const std::string& reason);
int ReportFailure(const std::string& subject, const std::string& reason);

// Where the program lives (the module is looked for beside it).
struct Program {
  std::string dir;
};

// A usage error when OUT would replace IN (the input is never modified).
bool CheckOutputIsNotInput(const std::string& in, const std::string& out,
                           int* status);

// Reads IN; on failure reports it and sets the exit status.
bool LoadInput(const std::string& path, Image* image, int* status);

// Writes OUT all-or-nothing; on failure reports it and sets the exit status.
bool SaveOutput(const std::string& path, const Image& image, int* status);

struct LuaCloser {
  void operator()(lua_State* L) const { lua_close(L); }
};
using LuaState = std::unique_ptr<lua_State, LuaCloser>;

// Lua with the module loaded; null (reported, status set) when it fails.
LuaState StartModule(const Program& program, int* status);

// The opening every image command shares: refuses an OUT that is IN, reads
// IN into `image` and starts Lua with the module. Null (reported, status
// set) when any of it fails.
LuaState OpenImageCommand(const Program& program, const std::string& in,
                          const std::string& out, Image* image, int* status);

}  // namespace veil

#endif  // VEIL_COMMAND_SUPPORT_H
