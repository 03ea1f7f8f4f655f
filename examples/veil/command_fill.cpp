// veil fill: the module's AlphaFillColor on a PNG, and a sentence saying
// what happened.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "fill/work_arrays.h"
#include "lua_host.h"
#include "options.h"
#include "usage.h"

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
    *status = ReportUsageError("--color", "missing (R,G,B, #RRGGBB or #RGB)");
  } else if (!ParseColour(*colour, &request->red, &request->green,
                          &request->blue)) {
    *status = ReportUsageError("--color", "'" + *colour +
                               "' is not R,G,B (each 0-255), #RRGGBB or #RGB");
  } else if (threshold == nullptr) {
    *status = ReportUsageError("--threshold", "missing (1-255)");
  } else if (!ParseInteger(*threshold, 1, 255, &request->threshold)) {
    *status = ReportUsageError("--threshold", "'" + *threshold +
                               "' is not a whole number from 1 to 255");
  } else if (at != nullptr &&
             !ParsePoint(*at, &request->offsetX, &request->offsetY)) {
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

std::string Point(std::int64_t x, std::int64_t y) {
  return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

// Why the module filled nothing, as one sentence, by the module's own rules
// (fill/fill_rules.h). veil always passes the image's own width and height,
// so only the seed can be at fault.
std::string ExplainNothingFilled(const ImageView& image, const FillRequest& request,
                                 qveil::FillOutcome outcome) {
  const qveil::SeedPoint seed = qveil::SeedOf(image.width, image.height, request);
  if (outcome == qveil::FillOutcome::kSeedOutside) {
    const qveil::SeedPoint centre = qveil::CentreOf(image.width, image.height);
    return "the seed " + Point(seed.x, seed.y) + " is outside the " +
           std::to_string(image.width) + " x " + std::to_string(image.height) +
           " image (--at counts from the centre pixel " +
           Point(centre.x, centre.y) + ")";
  }
  const std::uint32_t alpha =
      qveil::AlphaOf(image.pixels[static_cast<std::size_t>(seed.y) * image.width + seed.x]);
  const std::int32_t tested =
      qveil::TestedAlpha(alpha, request.threshold, qveil::StretchesAlpha(request));
  std::string why = "the seed pixel " + Point(seed.x, seed.y) +
                    " is a boundary: its alpha " + std::to_string(alpha);
  if (tested != static_cast<std::int32_t>(alpha)) {
    why += " (" + std::to_string(tested) + " once opaque mode stretches it)";
  }
  return why + " is not below the threshold " + std::to_string(request.threshold);
}

std::size_t CountChanged(const std::vector<qveil::Pixel>& before,
                         const ImageView& after) {
  std::size_t changed = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    changed += before[i] != after.pixels[i] ? 1 : 0;
  }
  return changed;
}

}  // namespace

int RunFillCommand(const Program& program, int argc, char** argv) {
  CommandLine line;
  std::string error;
  if (!SplitCommandLine(argc, argv, 0,
                        {"--color", "--at", "--threshold", "--strength",
                         kMaxPixelsOption},
                        {"--soft"}, false, &line, &error)) {
    return ReportUsageError("fill", error);
  }
  if (line.help) return PrintUsage("fill");
  if (line.positionals.size() != 2) {
    return ReportUsageError("fill", "expected IN.png OUT.png (see veil fill --help)");
  }
  int status = kExitOk;
  FillRequest request{0, 0, 0, 0, 0, 0, false, 1.0};
  std::int64_t max_pixels = 0;
  if (!ReadFillOptions(line, &request, &status) ||
      !ReadMaxPixels(line, &max_pixels, &status)) {
    return status;
  }

  const std::string& in = line.positionals[0];
  const std::string& out = line.positionals[1];
  ImageView image;
  LuaState L = OpenImageCommand(program, in, out, max_pixels, &image, &status);
  if (!L) return status;
  const std::vector<qveil::Pixel> before(image.pixels, image.pixels + image.Count());
  bool filled = false;
  if (!CallAlphaFillColor(L.get(), image, request, &filled, &error)) {
    return ReportFailure("AlphaFillColor", error);
  }
  if (!filled) {
    const qveil::FillOutcome outcome =
        qveil::PredictFill(image.pixels, image.width, image.height, request);
    if (outcome == qveil::FillOutcome::kFills) {
      // The seed pixel is open, so only the module's work memory was missing.
      const std::size_t bytes = qveil::FillWorkBytes(image.width, image.height);
      const std::size_t mebibytes = (bytes + (1u << 20) - 1) >> 20;
      return ReportFailure("AlphaFillColor", "not enough memory for its work arrays (" +
                                                 std::to_string(mebibytes) + " MiB)");
    }
    std::printf("nothing filled: %s; %s not written\n",
                ExplainNothingFilled(image, request, outcome).c_str(), out.c_str());
    return kExitNothingFilled;
  }
  if (!SaveOutput(out, image, &status)) return status;
  const qveil::SeedPoint seed = qveil::SeedOf(image.width, image.height, request);
  std::printf("filled the region around (%lld, %lld): %zu pixels changed\n",
              static_cast<long long>(seed.x), static_cast<long long>(seed.y),
              CountChanged(before, image));
  return kExitOk;
}

}  // namespace veil
