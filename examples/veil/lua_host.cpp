// Every function that touches the Lua stack runs inside lua_cpcall, so a Lua
// error (a failed `require`, out of memory...) unwinds only Lua's own frames
// and comes back here as a status and a message.
#include "lua_host.h"

#include <cstddef>
#include <string>
#include <vector>

namespace veil {
namespace {

// Registry key of the module table returned by `require`.
const char kModuleKey[] = "veil.module";

struct StartRequest {
  const std::string* module_path;
};

int StartProtected(lua_State* L) {
  const auto* request = static_cast<const StartRequest*>(lua_touserdata(L, 1));
  luaL_openlibs(L);
  lua_getglobal(L, "package");
  lua_pushstring(L, request->module_path->c_str());
  lua_getfield(L, -2, "cpath");
  lua_concat(L, 2);
  lua_setfield(L, -2, "cpath");
  lua_getglobal(L, "require");
  lua_pushliteral(L, "Q_Veil_Kit");
  lua_call(L, 1, 1);
  if (!lua_istable(L, -1)) luaL_error(L, "require did not give a table");
  lua_setfield(L, LUA_REGISTRYINDEX, kModuleKey);
  return 0;
}

// The message left on the stack by a failed lua_cpcall / lua_pcall.
std::string PopError(lua_State* L, int status) {
  std::string message;
  if (status == LUA_ERRMEM) {
    message = "not enough memory";
  } else if (const char* text = lua_tostring(L, -1)) {
    message = text;
  } else {
    message = std::string("(error object is a ") + luaL_typename(L, -1) + " value)";
  }
  lua_pop(L, 1);
  return message;
}

// Pushes the module function `name`, or raises a Lua error naming it.
void PushOperation(lua_State* L, const char* name) {
  lua_getfield(L, LUA_REGISTRYINDEX, kModuleKey);
  lua_getfield(L, -1, name);
  if (!lua_isfunction(L, -1)) {
    luaL_error(L, "this build of the Q_Veil_Kit module has no %s", name);
  }
  lua_remove(L, -2);
}

void PushImage(lua_State* L, Image* image) {
  lua_pushlightuserdata(L, image->pixels.data());
  lua_pushinteger(L, image->width);
  lua_pushinteger(L, image->height);
}

struct AlphaRequest {
  Image* image;
  int source;
};

int AlphaProtected(lua_State* L) {
  auto* request = static_cast<AlphaRequest*>(lua_touserdata(L, 1));
  PushOperation(L, "AlphaDataSet");
  PushImage(L, request->image);
  lua_pushinteger(L, request->source);
  lua_call(L, 4, 0);
  return 0;
}

struct FillCall {
  Image* image;
  const FillRequest* request;
  bool filled;
};

int FillProtected(lua_State* L) {
  auto* call = static_cast<FillCall*>(lua_touserdata(L, 1));
  const FillRequest& r = *call->request;
  const int base = lua_gettop(L);
  PushOperation(L, "AlphaFillColor");
  PushImage(L, call->image);
  lua_pushinteger(L, r.red);
  lua_pushinteger(L, r.green);
  lua_pushinteger(L, r.blue);
  lua_pushinteger(L, r.offset_x);
  lua_pushinteger(L, r.offset_y);
  lua_pushinteger(L, r.threshold);
  lua_pushboolean(L, r.soft);
  lua_pushnumber(L, r.strength);
  lua_call(L, 11, LUA_MULTRET);
  // The module returns the buffer after a fill and nothing otherwise.
  call->filled = lua_gettop(L) > base &&
                 lua_touserdata(L, base + 1) == call->image->pixels.data();
  return 0;
}

// Message handler of a script run: the error plus where it happened.
int AddTraceback(lua_State* L) {
  if (!lua_isstring(L, 1)) {
    lua_pushfstring(L, "(error object is a %s value)", luaL_typename(L, 1));
    lua_replace(L, 1);
  }
  lua_getglobal(L, "debug");
  if (!lua_istable(L, -1)) return 1;  // leaves the bare message
  lua_getfield(L, -1, "traceback");
  if (!lua_isfunction(L, -1)) return 1;
  lua_pushvalue(L, 1);
  lua_pushinteger(L, 2);
  lua_call(L, 2, 1);
  return 1;
}

struct ScriptRun {
  const std::string* script;
  const std::vector<std::string>* args;
  Image* image;
};

int ScriptProtected(lua_State* L) {
  auto* run = static_cast<ScriptRun*>(lua_touserdata(L, 1));
  lua_pushlightuserdata(L, run->image->pixels.data());
  lua_setglobal(L, "pixels");
  lua_pushinteger(L, run->image->width);
  lua_setglobal(L, "width");
  lua_pushinteger(L, run->image->height);
  lua_setglobal(L, "height");
  lua_createtable(L, static_cast<int>(run->args->size()), 1);
  lua_pushstring(L, run->script->c_str());
  lua_rawseti(L, -2, 0);
  for (std::size_t i = 0; i < run->args->size(); ++i) {
    lua_pushstring(L, (*run->args)[i].c_str());
    lua_rawseti(L, -2, static_cast<int>(i + 1));
  }
  lua_setglobal(L, "arg");

  lua_pushcfunction(L, AddTraceback);
  const int handler = lua_gettop(L);
  int status = luaL_loadfile(L, run->script->c_str());
  if (status == 0) status = lua_pcall(L, 0, 0, handler);
  // Raised again with the message (and traceback) as it stands, so the
  // caller reads it outside Lua: no C++ string is built in here.
  if (status != 0) lua_error(L);
  return 0;
}

}  // namespace

std::string ModuleSearchPath(const std::string& program_dir) {
  std::string installed = VEIL_INSTALLED_MODULE_DIR;
  if (installed.empty() || installed[0] != '/') {
    installed = program_dir + "/../" + installed;
  }
  return program_dir + "/?.so;" + installed + "/?.so;";
}

lua_State* StartLua(const std::string& module_path, std::string* error) {
  lua_State* L = luaL_newstate();
  if (L == nullptr) {
    *error = "cannot start Lua: not enough memory";
    return nullptr;
  }
  StartRequest request{&module_path};
  const int status = lua_cpcall(L, StartProtected, &request);
  if (status != 0) {
    *error = "cannot load the Q_Veil_Kit module: " + PopError(L, status);
    lua_close(L);
    return nullptr;
  }
  return L;
}

bool CallAlphaDataSet(lua_State* L, Image* image, int source,
                      std::string* error) {
  AlphaRequest request{image, source};
  const int status = lua_cpcall(L, AlphaProtected, &request);
  if (status != 0) *error = PopError(L, status);
  return status == 0;
}

bool CallAlphaFillColor(lua_State* L, Image* image, const FillRequest& request,
                        bool* filled, std::string* error) {
  FillCall call{image, &request, false};
  const int status = lua_cpcall(L, FillProtected, &call);
  if (status != 0) {
    *error = PopError(L, status);
    return false;
  }
  *filled = call.filled;
  return true;
}

bool RunScript(lua_State* L, const std::string& script,
               const std::vector<std::string>& args, Image* image,
               std::string* error) {
  ScriptRun run{&script, &args, image};
  const int status = lua_cpcall(L, ScriptProtected, &run);
  if (status != 0) *error = PopError(L, status);
  return status == 0;
}

}  // namespace veil
