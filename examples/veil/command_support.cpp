#include "command_support.h"

#include <sys/stat.h>

#include <cstdio>

#include "lua_host.h"
#include "png_io.h"

namespace veil {
namespace {

int Report(const std::string& subject, const std::string& reason, int status) {
  std::fprintf(stderr, "veil: %s: %s\n", subject.c_str(), reason.c_str());
  return status;
}

}  // namespace

const char kMaxPixelsOption[] = "--max-pixels";

int ReportUsageError(const std::string& subject, const std::string& reason) {
  return Report(subject, reason, kExitUsage);
}

int ReportFailure(const std::string& subject, const std::string& reason) {
  return Report(subject, reason, kExitFailure);
}

bool ReadMaxPixels(const CommandLine& line, std::int64_t* max_pixels,
                   int* status) {
  const auto found = line.values.find(kMaxPixelsOption);
  if (found == line.values.end()) {
    *max_pixels = kDefaultMaxPixels;
    return true;
  }
  int value = 0;
  if (!ParseInteger(found->second, 1, kModuleMaxPixels, &value)) {
    *status = ReportUsageError(kMaxPixelsOption, "'" + found->second +
                               "' is not a whole number from 1 to 2147483647");
    return false;
  }
  *max_pixels = value;
  return true;
}

bool CheckOutputIsNot(const std::string& out, const std::string& other,
                      const std::string& what, int* status) {
  struct stat other_info;
  struct stat out_info;
  if (stat(other.c_str(), &other_info) == 0 && stat(out.c_str(), &out_info) == 0 &&
      other_info.st_dev == out_info.st_dev && other_info.st_ino == out_info.st_ino) {
    *status = ReportUsageError(out, "is " + what + "; choose another output");
    return false;
  }
  return true;
}

LuaState StartModule(const Program& program, int* status) {
  std::string error;
  LuaState L(StartLua(ModuleSearchPath(program.dir), &error));
  if (!L) *status = ReportFailure("lua", error);
  return L;
}

bool LoadInput(lua_State* L, const std::string& path, std::int64_t max_pixels,
               ImageView* image, int* status) {
  std::string error;
  if (ReadPng(path, max_pixels, PixelAllocator{NewImageUserdata, L}, image,
              &error)) {
    return true;
  }
  *status = ReportFailure(path, error);
  return false;
}

bool SaveOutput(const std::string& path, const ImageView& image, int* status) {
  std::string error;
  if (WritePng(path, image, &error)) return true;
  *status = ReportFailure(path, error);
  return false;
}

LuaState OpenImageCommand(const Program& program, const std::string& in,
                          const std::string& out, std::int64_t max_pixels,
                          ImageView* image, int* status) {
  if (!CheckOutputIsNot(out, in, "the input file", status)) return LuaState();
  LuaState L = StartModule(program, status);
  if (L && !LoadInput(L.get(), in, max_pixels, image, status)) L.reset();
  return L;
}

}  // namespace veil
