// The library's only exported symbol. Loading and unloading run no code of
// ours; everything happens inside the two operations (on Windows and macOS
// the entry also pins the library, see below).
//
// The same source builds for Lua 5.1 (and LuaJIT) and for 5.2 to 5.4: what
// differs between them is in lua_compat.h. Only the entry and the argument
// readers (lua_args.cpp) see the Lua API; the passes never do.
#include <lua.hpp>

#ifdef _WIN32
#include <windows.h>
#elif defined(__APPLE__)
#include <dlfcn.h>
#endif

#include "binding/lua_compat.h"
#include "binding/operations.h"
#include "parallel/thread_start.h"

namespace {

const char kLibraryName[] = "Q_Veil_Kit";

const luaL_Reg kOperations[] = {
    {"AlphaFillColor", qveil::AlphaFillColor},
    {"AlphaDataSet", qveil::AlphaDataSet},
    {nullptr, nullptr},
};

}  // namespace

// MinGW ignores the visibility attribute; a DLL exports what is marked
// dllexport (and, when nothing is, every name it has).
#ifdef _WIN32
#define Q_VEIL_KIT_EXPORT __declspec(dllexport)
#else
#define Q_VEIL_KIT_EXPORT __attribute__((visibility("default")))
#endif

extern "C" Q_VEIL_KIT_EXPORT int luaopen_Q_Veil_Kit(lua_State* L) {
#ifdef _WIN32
  // OpenMP's worker threads outlive a pass and run code of this DLL; were
  // the host to unload it, they would run unmapped code. Pinning keeps it
  // loaded until the process ends (what -z nodelete does elsewhere).
  // The DLL is named by the address of one of its own objects.
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(kLibraryName), &self);
#elif defined(__APPLE__)
  // The same on macOS, which has no -z nodelete: the bundle is found by the
  // address of one of its own objects and opened again, marked never to be
  // unloaded. The handle is kept open on purpose. libomp, linked inside,
  // also leaves a fork handler here.
  Dl_info self;
  if (dladdr(kLibraryName, &self) != 0 && self.dli_fname != nullptr) {
    dlopen(self.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
  }
#endif
  qveil::SetUpThreadRuntime();
  qveil::RegisterLibrary(L, kLibraryName, kOperations);
  return 1;
}
