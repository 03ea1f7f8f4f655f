// Whole calls as a Lua host makes them: the built module is loaded with
// `require` into a real Lua 5.1 state and called with a light userdata, so
// the figures include argument reading, the four fresh work arrays and
// every pass.
#include <benchmark/benchmark.h>
#include <lua.hpp>

#include <cstdint>
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

void FillCall(benchmark::State& state, Picture picture, std::int32_t size, bool soft) {
  lua_State* L = ModuleState();
  if (L == nullptr) {
    state.SkipWithError("cannot load Q_Veil_Kit");
    return;
  }
  const Image& image = GetImage(picture, size);
  std::vector<Pixel> pixels = image.pixels;
  const std::size_t bytes = pixels.size() * sizeof(Pixel);
  const std::vector<double> args = {static_cast<double>(size),
                                    static_cast<double>(size),
                                    200,
                                    100,
                                    50,
                                    static_cast<double>(image.offsetX),
                                    static_cast<double>(image.offsetY),
                                    kThreshold,
                                    0,  // soft: pushed as a boolean
                                    0.75};
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
      }
    }
  }
}

}  // namespace qveil::bench
