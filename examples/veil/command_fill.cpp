// veil fill: the module's AlphaFillColor on a PNG, and a sentence saying
// what happened.
#include <cstdio>
#include <string>

#include "commands.h"
#include "fill_outcome.h"
#include "lua_host.h"
#include "options.h"

namespace veil {
namespace {

// Reads the fill options; false with the usage error already reported.
bool ReadFillOptions(const CommandLine& line, FillRequest* request, int* status) {
  const auto value = [&line](const char* name) -> const std::string* {
    const auto found = line.values.find(name);
    return found == line.values.end() ? nullptr : &found->second;
  };
  const std::string* colour = value("--color");
  const std::string* threshold = value("--threshold");
  const std::string* at = value("--at");
  const std::string* strength = value("--strength");
  if (colour == nullptr) {
    *status = ReportUsageError("--color", "missing (R,G,B or #RRGGBB)");
  } else if (!ParseColour(*colour, &request->red, &request->green,
                          &request->blue)) {
    *status = ReportUsageError("--color", "'" + *colour +
                               "' is not R,G,B (each 0-255) or #RRGGBB");
  } else if (threshold == nullptr) {
    *status = ReportUsageError("--threshold", "missing (1-255)");
  } else if (!ParseInteger(*threshold, 1, 255, &request->threshold)) {
    *status = ReportUsageError("--threshold", "'" + *threshold +
                               "' is not a whole number from 1 to 255");
  } else if (at != nullptr &&
             !ParsePoint(*at, &request->offset_x, &request->offset_y)) {
    *status = ReportUsageError("--at", "'" + *at +
                               "' is not X,Y (whole numbers, offset from the centre)");
  } else if (strength != nullptr && line.flags.count("--soft") == 0) {
    *status = ReportUsageError("--strength", "only applies with --soft");
  } else if (strength != nullptr &&
             !ParseFraction(*strength, &request->strength)) {
    *status = ReportUsageError("--strength", "'" + *strength +
                               "' is not a number from 0 to 1");
  } else {
    request->soft = line.flags.count("--soft") != 0;
    return true;
  }
  return false;
}

std::size_t CountChanged(const Image& before, const Image& after) {
  std::size_t changed = 0;
  for (std::size_t i = 0; i < before.pixels.size(); ++i) {
    changed += before.pixels[i] != after.pixels[i] ? 1 : 0;
  }
  return changed;
}

}  // namespace

int RunFillCommand(const Program& program, int argc, char** argv) {
  CommandLine line;
  std::string error;
  if (!SplitCommandLine(argc, argv, 0,
                        {"--color", "--at", "--threshold", "--strength"},
                        {"--soft"}, &line, &error)) {
    return ReportUsageError("fill", error);
  }
  if (line.positionals.size() != 2) {
    return ReportUsageError("fill", "expected IN.png OUT.png (see veil --help)");
  }
  int status = kExitOk;
  FillRequest request;
  if (!ReadFillOptions(line, &request, &status)) return status;

  const std::string& in = line.positionals[0];
  const std::string& out = line.positionals[1];
  Image image;
  LuaState L = OpenImageCommand(program, in, out, &image, &status);
  if (!L) return status;
  const Image before = image;
  bool filled = false;
  if (!CallAlphaFillColor(L.get(), &image, request, &filled, &error)) {
    return ReportFailure("AlphaFillColor", error);
  }
  if (!SaveOutput(out, image, &status)) return status;

  if (filled) {
    const Seed seed = SeedOf(image, request);
    std::printf("filled the region around (%lld, %lld): %zu pixels changed\n",
                static_cast<long long>(seed.x), static_cast<long long>(seed.y),
                CountChanged(before, image));
  } else {
    std::printf("nothing filled: %s; %s is an unchanged copy\n",
                ExplainNothingFilled(before, request).c_str(), out.c_str());
  }
  return kExitOk;
}

}  // namespace veil
