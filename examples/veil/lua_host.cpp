// Every function that touches the Lua stack runs in protected mode (CallIn
// below), so a Lua error (a failed `require`, out of memory...) unwinds only
// Lua's own frames and comes back here as a status and a message.
#include "lua_host.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace veil {
namespace {

// Registry keys: the module table returned by `require`, the image's
// userdata, the compiled script, and debug.traceback as it was before any
// script ran.
const char kModuleKey[] = "veil.module";
const char kImageKey[] = "veil.image";
const char kScriptKey[] = "veil.script";
const char kTracebackKey[] = "veil.traceback";

// Runs `body` with `data` as its only argument, in protected mode: the same
// calling convention on Lua 5.1 to 5.4. The closure pushed is the one made at
// start and kept at the bottom of the stack, because making a C function can
// allocate on 5.1 and so fail outside protection; copying it allocates
// nothing.
struct ProtectedCall {
  lua_CFunction body;
  void* data;
};

int RunProtected(lua_State* L) {
  const auto* call = static_cast<const ProtectedCall*>(lua_touserdata(L, 1));
  lua_pushlightuserdata(L, call->data);
  lua_replace(L, 1);
  return call->body(L);
}

constexpr int kRunProtectedSlot = 1;

int CallIn(lua_State* L, lua_CFunction body, void* data) {
  ProtectedCall call{body, data};
  lua_pushvalue(L, kRunProtectedSlot);
  lua_pushlightuserdata(L, &call);
  return lua_pcall(L, 1, 0, 0);
}

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
  lua_getglobal(L, "debug");
  lua_getfield(L, -1, "traceback");
  lua_setfield(L, LUA_REGISTRYINDEX, kTracebackKey);
  return 0;
}

struct NewImage {
  std::size_t bytes;
  void* block;
};

int NewImageProtected(lua_State* L) {
  auto* request = static_cast<NewImage*>(lua_touserdata(L, 1));
  request->block = lua_newuserdata(L, request->bytes);
  lua_setfield(L, LUA_REGISTRYINDEX, kImageKey);
  return 0;
}

// The message left on the stack by a failed protected call.
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

void PushImage(lua_State* L, const ImageView& image) {
  lua_getfield(L, LUA_REGISTRYINDEX, kImageKey);
  lua_pushinteger(L, image.width);
  lua_pushinteger(L, image.height);
}

struct AlphaRequest {
  const ImageView* image;
  int source;
};

int AlphaProtected(lua_State* L) {
  auto* request = static_cast<AlphaRequest*>(lua_touserdata(L, 1));
  PushOperation(L, "AlphaDataSet");
  PushImage(L, *request->image);
  lua_pushinteger(L, request->source);
  lua_call(L, 4, 0);
  return 0;
}

struct FillCall {
  const ImageView* image;
  const FillRequest* request;
  bool filled;
};

int FillProtected(lua_State* L) {
  auto* call = static_cast<FillCall*>(lua_touserdata(L, 1));
  const FillRequest& r = *call->request;
  const int base = lua_gettop(L);
  PushOperation(L, "AlphaFillColor");
  PushImage(L, *call->image);
  lua_pushinteger(L, r.red);
  lua_pushinteger(L, r.green);
  lua_pushinteger(L, r.blue);
  lua_pushinteger(L, r.offsetX);
  lua_pushinteger(L, r.offsetY);
  lua_pushinteger(L, r.threshold);
  lua_pushboolean(L, r.soft);
  lua_pushnumber(L, r.strength);
  lua_call(L, 11, LUA_MULTRET);
  // The module returns the buffer after a fill and nothing otherwise.
  call->filled = lua_gettop(L) > base &&
                 lua_touserdata(L, base + 1) == call->image->pixels;
  return 0;
}

// Message handler of a script run: the error plus where it happened, by
// the traceback function saved at start.
int AddTraceback(lua_State* L) {
  if (!lua_isstring(L, 1)) {
    // An object that says what it is (__tostring) is shown by its text.
    if (!luaL_callmeta(L, 1, "__tostring") || !lua_isstring(L, -1)) {
      lua_settop(L, 1);
      lua_pushfstring(L, "(error object is a %s value)", luaL_typename(L, 1));
    }
    lua_replace(L, 1);
  }
  lua_settop(L, 1);
  lua_getfield(L, LUA_REGISTRYINDEX, kTracebackKey);
  if (!lua_isfunction(L, -1)) {
    lua_pop(L, 1);
    return 1;  // the bare message
  }
  lua_pushvalue(L, 1);
  lua_pushinteger(L, 2);
  lua_call(L, 2, 1);
  return 1;
}

int LoadScriptProtected(lua_State* L) {
  const auto* script = static_cast<const std::string*>(lua_touserdata(L, 1));
  if (luaL_loadfile(L, script->c_str()) != 0) lua_error(L);
  lua_setfield(L, LUA_REGISTRYINDEX, kScriptKey);
  return 0;
}

struct ScriptRun {
  const std::string* script;
  const std::vector<std::string>* args;
  const ImageView* image;
};

int ScriptProtected(lua_State* L) {
  auto* run = static_cast<ScriptRun*>(lua_touserdata(L, 1));
  lua_getfield(L, LUA_REGISTRYINDEX, kImageKey);
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
  lua_getfield(L, LUA_REGISTRYINDEX, kScriptKey);
  // Raised again with the message (and traceback) as it stands, so the
  // caller reads it outside Lua: no C++ string is built in here.
  if (lua_pcall(L, 0, 0, handler) != 0) lua_error(L);
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
  // The one allocation outside protection, in a state just made: should it
  // fail, Lua's panic handler ends the program with a message.
  lua_pushcfunction(L, RunProtected);
  StartRequest request{&module_path};
  const int status = CallIn(L, StartProtected, &request);
  if (status != 0) {
    *error = "cannot load the Q_Veil_Kit module: " + PopError(L, status);
    lua_close(L);
    return nullptr;
  }
  return L;
}

qveil::Pixel* NewImageUserdata(void* lua_state, std::size_t count) {
  auto* L = static_cast<lua_State*>(lua_state);
  if (count > SIZE_MAX / sizeof(qveil::Pixel)) return nullptr;
  NewImage request{count * sizeof(qveil::Pixel), nullptr};
  if (CallIn(L, NewImageProtected, &request) != 0) {
    lua_pop(L, 1);  // Lua's "not enough memory"
    return nullptr;
  }
  // A script reaches the registry (debug.getregistry) and can drop the entry
  // there, but not the state's base stack, below every call: the image is
  // kept there too, so it lives until lua_close whatever a script does. The
  // key exists already, so reading it allocates nothing and cannot raise.
  lua_getfield(L, LUA_REGISTRYINDEX, kImageKey);
  return static_cast<qveil::Pixel*>(request.block);
}

bool CallAlphaDataSet(lua_State* L, const ImageView& image, int source,
                      std::string* error) {
  AlphaRequest request{&image, source};
  const int status = CallIn(L, AlphaProtected, &request);
  if (status != 0) *error = PopError(L, status);
  return status == 0;
}

bool CallAlphaFillColor(lua_State* L, const ImageView& image,
                        const FillRequest& request, bool* filled,
                        std::string* error) {
  FillCall call{&image, &request, false};
  const int status = CallIn(L, FillProtected, &call);
  if (status != 0) {
    *error = PopError(L, status);
    return false;
  }
  *filled = call.filled;
  return true;
}

bool LoadScript(lua_State* L, const std::string& script, std::string* error) {
  const int status = CallIn(L, LoadScriptProtected,
                            const_cast<std::string*>(&script));
  if (status != 0) *error = PopError(L, status);
  return status == 0;
}

bool RunScript(lua_State* L, const std::string& script,
               const std::vector<std::string>& args, const ImageView& image,
               std::string* error) {
  ScriptRun run{&script, &args, &image};
  const int status = CallIn(L, ScriptProtected, &run);
  if (status != 0) *error = PopError(L, status);
  return status == 0;
}

}  // namespace veil
