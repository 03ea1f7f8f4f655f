// veil alpha: the image's alpha from one channel (or the average of three),
// through the module's AlphaDataSet.
#include "commands.h"
#include "lua_host.h"
#include "options.h"
#include "usage.h"

namespace veil {

int RunAlphaCommand(const Program& program, int argc, char** argv) {
  CommandLine line;
  std::string error;
  if (!SplitCommandLine(argc, argv, 0, {"--source", kMaxPixelsOption}, {},
                        false, &line, &error)) {
    return ReportUsageError("alpha", error);
  }
  if (line.help) return PrintUsage("alpha");
  if (line.positionals.size() != 2) {
    return ReportUsageError("alpha", "expected IN.png OUT.png (see veil alpha --help)");
  }
  const auto found = line.values.find("--source");
  if (found == line.values.end()) {
    return ReportUsageError("--source", "missing (red, green, blue, average or alpha)");
  }
  int source = 0;
  if (!ParseSource(found->second, &source)) {
    return ReportUsageError("--source", "'" + found->second +
                            "' is not red, green, blue, average, alpha or 1-4");
  }
  int status = kExitOk;
  std::int64_t max_pixels = 0;
  if (!ReadMaxPixels(line, &max_pixels, &status)) return status;

  const std::string& in = line.positionals[0];
  const std::string& out = line.positionals[1];
  ImageView image;
  LuaState L = OpenImageCommand(program, in, out, max_pixels, &image, &status);
  if (!L) return status;
  if (!CallAlphaDataSet(L.get(), image, source, &error)) {
    return ReportFailure("AlphaDataSet", error);
  }
  SaveOutput(out, image, &status);
  return status;
}

}  // namespace veil
