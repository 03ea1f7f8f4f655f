// What every `veil` command shares: exit statuses, the one-line error report,
// the options every command takes, loading the input, saving the output and
// starting Lua with the module.
#ifndef VEIL_COMMAND_SUPPORT_H
#define VEIL_COMMAND_SUPPORT_H

#include <lua.hpp>

#include <cstdint>
#include <memory>
#include <string>

#include "image.h"
#include "options.h"

namespace veil {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;        // a file, an image, Lua or memory failed
constexpr int kExitUsage = 2;          // the command line itself is wrong
constexpr int kExitNothingFilled = 3;  // fill: the seed is outside or a boundary

// Prints "veil: SUBJECT: REASON" on stderr and returns the status to exit with.
int ReportUsageError(const std::string& subject, const std::string& reason);
int ReportFailure(const std::string& subject, const std::string& reason);

// Where the program lives (the module is looked for beside it).
struct Program {
  std::string dir;
};

// The option every image command takes besides its own.
extern const char kMaxPixelsOption[];  // "--max-pixels"

// The pixel limit given with --max-pixels, or the default; false (reported,
// status set) when the value is not a whole number from 1 to 2147483647.
bool ReadMaxPixels(const CommandLine& line, std::int64_t* max_pixels,
                   int* status);

// A usage error when OUT is the same file as `other` (IN, or run's script),
// which must never be overwritten; `what` names it ("the input file").
bool CheckOutputIsNot(const std::string& out, const std::string& other,
                      const std::string& what, int* status);

struct LuaCloser {
  void operator()(lua_State* L) const { lua_close(L); }
};
using LuaState = std::unique_ptr<lua_State, LuaCloser>;

// Lua with the module loaded; null (reported, status set) when it fails.
LuaState StartModule(const Program& program, int* status);

// Reads IN into a new image userdata of L; on failure reports it and sets
// the exit status.
bool LoadInput(lua_State* L, const std::string& path, std::int64_t max_pixels,
               ImageView* image, int* status);

// Writes OUT all-or-nothing; on failure reports it and sets the exit status.
bool SaveOutput(const std::string& path, const ImageView& image, int* status);

// The opening alpha and fill share: refuses an OUT that is IN, starts Lua
// with the module and reads IN into it. Null (reported, status set) when
// any of it fails.
LuaState OpenImageCommand(const Program& program, const std::string& in,
                          const std::string& out, std::int64_t max_pixels,
                          ImageView* image, int* status);

}  // namespace veil

#endif  // VEIL_COMMAND_SUPPORT_H
