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

int ReportUsageError(const std::string& subject, const std::string& reason) {
  return Report(subject, reason, kExitUsage);
}

int ReportFailure(const std::string& subject, const std::string& reason) {
  return Report(subject, reason, kExitFailure);
}

bool CheckOutputIsNotInput(const std::string& in, const std::string& out,
                           int* status) {
  struct stat in_info;
  struct stat out_info;
  if (stat(in.c_str(), &in_info) == 0 && stat(out.c_str(), &out_info) == 0 &&
      in_info.st_dev == out_info.st_dev && in_info.st_ino == out_info.st_ino) {
    *status = ReportUsageError(out, "is the input file; choose another output");
    return false;
  }
  return true;
}

bool LoadInput(const std::string& path, Image* image, int* status) {
  std::string error;
  if (ReadPng(path, image, &error)) return true;
  *status = ReportFailure(path, error);
  return false;
}

bool SaveOutput(const std::string& path, const Image& image, int* status) {
  std::string error;
  if (WritePng(path, image, &error)) return true;
  *status = ReportFailure(path, error);
  return false;
}

LuaState StartModule(const Program& program, int* status) {
  std::string error;
  LuaState L(StartLua(ModuleSearchPath(program.dir), &error));
  if (!L) *status = ReportFailure("lua", error);
  return L;
}

LuaState OpenImageCommand(const Program& program, const std::string& in,
                          const std::string& out, Image* image, int* status) {
  if (!CheckOutputIsNotInput(in, out, status) || !LoadInput(in, image, status)) {
    return LuaState();
  }
  return StartModule(program, status);
}

}  // namespace veil
