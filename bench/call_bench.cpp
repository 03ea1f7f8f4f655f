// Whole calls as a Lua host makes them: the built module is loaded with
// `require` into a real Lua 5.1 state and called with a light userdata, so
// the figures include argument reading, the fresh work memory and every
// pass. Memory/... runs one call in a child process and reports the peak
// resident memory it added, in bytes a pixel.
#include <benchmark/benchmark.h>
#include <lua.hpp>

#ifdef __linux__
#include <malloc.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_config.h"
#include "bench_images.h"

namespace qveil::bench {

namespace {

// One state for the whole run; the module's table is left in a global.
lua_State* ModuleState() {
  static lua_State* L = [] {
    lua_State* state = luaL_newstate();
    luaL_openlibs(state);
    const std::string script = "package.cpath = '" Q_VEIL_KIT_MODULE_DIR
                               "/?.so;' .. package.cpath\n"
                               "veil = require 'Q_Veil_Kit'";
    if (luaL_dostring(state, script.c_str()) != 0) {
      lua_close(state);
      return static_cast<lua_State*>(nullptr);
    }
    return state;
  }();
  return L;
}

// Calls veil[name](pixels, args...) and returns the number of results.
int Call(lua_State* L, const char* name, Pixel* pixels,
         const std::vector<double>& args, int flagAt, bool flag) {
  lua_getglobal(L, "veil");
  lua_getfield(L, -1, name);
  lua_remove(L, -2);
  lua_pushlightuserdata(L, pixels);
  for (std::size_t k = 0; k < args.size(); ++k) {
    if (static_cast<int>(k) + 2 == flagAt) {
      lua_pushboolean(L, flag);
    } else {
      lua_pushnumber(L, args[k]);
    }
  }
  const int base = lua_gettop(L) - static_cast<int>(args.size()) - 2;
  lua_call(L, static_cast<int>(args.size()) + 1, LUA_MULTRET);
  const int results = lua_gettop(L) - base;
  lua_settop(L, base);
  return results;
}

std::vector<double> FillArguments(const Image& image) {
  const auto size = static_cast<double>(image.size);
  return {size,
          size,
          200,
          100,
          50,
          static_cast<double>(image.offsetX),
          static_cast<double>(image.offsetY),
          kThreshold,
          0,  // soft: pushed as a boolean
          0.75};
}

void FillCall(benchmark::State& state, Picture picture, std::int32_t size, bool soft) {
  lua_State* L = ModuleState();
  if (L == nullptr) {
    state.SkipWithError("cannot load Q_Veil_Kit");
    return;
  }
  const Image& image = GetImage(picture, size);
  std::vector<Pixel> pixels = image.pixels;
  const std::size_t bytes = pixels.size() * sizeof(Pixel);
  const std::vector<double> args = FillArguments(image);
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(pixels.data(), image.pixels.data(), bytes);
    state.ResumeTiming();
    if (Call(L, "AlphaFillColor", pixels.data(), args, 10, soft) != 1) {
      state.SkipWithError("the fill did not run");
      break;
    }
  }
  state.counters["region_px"] = static_cast<double>(image.regionPixels);
}

#ifdef __linux__
// Kilobytes from a "Name:   123 kB" line of /proc/self/status; -1 if absent.
long StatusKilobytes(const char* name) {
  long kb = -1;
  FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return kb;
  char line[256];
  const std::size_t length = std::strlen(name);
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, name, length) == 0 && line[length] == ':') {
      std::sscanf(line + length + 1, "%ld", &kb);
      break;
    }
  }
  std::fclose(status);
  return kb;
}

}  // namespace

// The child's side of Memory/...: a fresh process (this program run again,
// so no thread team or heap of the parent's comes with it) makes the image,
// copies it (resident), resets its peak resident set (clear_refs 5, Linux),
// makes one call and prints the peak's rise over the resident set before
// the call, in kilobytes; -1 when it cannot tell.
int MemoryChild(int picture, std::int32_t size, bool soft) {
  const Image& image = GetImage(static_cast<Picture>(picture), size);
  std::vector<Pixel> pixels = image.pixels;
  lua_State* L = ModuleState();
  malloc_trim(0);  // what making the image left in the heap must not be reused unseen
  long rise = -1;
  FILE* clear = std::fopen("/proc/self/clear_refs", "w");
  if (L != nullptr && clear != nullptr && std::fputs("5", clear) >= 0 &&
      std::fclose(clear) == 0) {
    const long before = StatusKilobytes("VmRSS");
    const int results = Call(L, "AlphaFillColor", pixels.data(), FillArguments(image), 10, soft);
    const long peak = StatusKilobytes("VmHWM");
    if (results == 1 && before >= 0 && peak >= 0) rise = peak - before;
  }
  std::printf("%ld\n", rise);
  return 0;
}

namespace {

// Runs this program again as a memory child and reads its figure; -1 if
// it gives none.
long ExtraPeakKilobytes(Picture picture, std::int32_t size, bool soft) {
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return -1;
  self[length] = '\0';
  const std::string command = std::string("'") + self + "' " + kMemoryChildFlag + " " +
                              std::to_string(static_cast<int>(picture)) + " " +
                              std::to_string(size) + " " + (soft ? "1" : "0");
  FILE* child = popen(command.c_str(), "r");
  if (child == nullptr) return -1;
  long rise = -1;
  if (std::fscanf(child, "%ld", &rise) != 1) rise = -1;
  return pclose(child) == 0 ? rise : -1;
}

void FillMemory(benchmark::State& state, Picture picture, std::int32_t size, bool soft) {
  long rise = -1;
  for (auto _ : state) rise = ExtraPeakKilobytes(picture, size, soft);
  if (rise < 0) {
    state.SkipWithError("no peak resident figure (clear_refs or /proc missing)");
    return;
  }
  const double pixels = static_cast<double>(size) * size;
  state.counters["bytes_per_px"] = static_cast<double>(rise) * 1024.0 / pixels;
}
#endif

void DataSetCall(benchmark::State& state, std::int32_t size, std::int32_t source) {
  lua_State* L = ModuleState();
  if (L == nullptr) {
    state.SkipWithError("cannot load Q_Veil_Kit");
    return;
  }
  std::vector<Pixel> pixels = GetImage(Picture::kNoise, size).pixels;
  const std::vector<double> args = {static_cast<double>(size),
                                    static_cast<double>(size),
                                    static_cast<double>(source)};
  for (auto _ : state) {
    if (Call(L, "AlphaDataSet", pixels.data(), args, 0, false) != 1) {
      state.SkipWithError("the conversion did not run");
      break;
    }
  }
  if ((pixels.front() & 0x00FFFFFFu) != 0 || (pixels.back() & 0x00FFFFFFu) != 0) {
    state.SkipWithError("the buffer was not converted");
  }
}

}  // namespace

void RegisterCallBenchmarks() {
  for (std::int32_t size : kSizes) {
    for (std::int32_t source : {0, 1, 2, 3, 4}) {
      Configure(benchmark::RegisterBenchmark(
                    Name("Call/AlphaDataSet/src" + std::to_string(source), size).c_str(),
                    DataSetCall, size, source),
                size);
    }
    for (Picture picture : kCallPictures) {
      for (bool soft : {false, true}) {
        const std::string what = std::string("Call/AlphaFillColor/") +
                                 (soft ? "soft/" : "opaque/") + PictureName(picture);
        Configure(benchmark::RegisterBenchmark(Name(what, size).c_str(), FillCall,
                                               picture, size, soft),
                  size, 2);
#ifdef __linux__
        if (size < 4096) continue;
        const std::string memory = std::string("Memory/AlphaFillColor/") +
                                   (soft ? "soft/" : "opaque/") + PictureName(picture);
        benchmark::RegisterBenchmark(Name(memory, size).c_str(), FillMemory, picture, size,
                                     soft)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
#endif
      }
    }
  }
  // The noise picture at 2048 as well, where the call is held against the
  // OpenCV pipeline (peer_bench.cpp), with AlphaDataSet for the same size.
  for (bool soft : {false, true}) {
    const std::string what =
        std::string("Call/AlphaFillColor/") + (soft ? "soft/" : "opaque/") + "noise";
    Configure(benchmark::RegisterBenchmark(Name(what, kScalingSize).c_str(), FillCall,
                                           Picture::kNoise, kScalingSize, soft),
              kScalingSize, 2);
  }
  Configure(benchmark::RegisterBenchmark(Name("Call/AlphaDataSet/src1", kScalingSize).c_str(),
                                         DataSetCall, kScalingSize, 1),
            kScalingSize);
}

}  // namespace qveil::bench
