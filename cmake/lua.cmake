# Which Lua the module is built for, where that Lua's headers are, and where
# `install` puts the module. The module is compiled against one Lua's headers
# and never linked with a Lua library: the host that loads it supplies the
# Lua API; on Windows, where a DLL must name the DLL of each function it
# calls, the module links the host's Lua DLL instead (see the end of this
# file). Defines the interface target q_veil_kit_lua (the headers),
# Q_VEIL_KIT_LUA_VERSION (5.1 to 5.4), where the module installs, and the
# functions that install the module and link a host with Lua.
set(Q_VEIL_KIT_LUA "" CACHE STRING
  "Lua to build for: 5.1 (also LuaJIT), 5.2, 5.3 or 5.4; empty: 5.1, or the version of the headers in LUA_INCLUDE_DIR")
set(q_veil_kit_lua_versions 5.1 5.2 5.3 5.4)
set_property(CACHE Q_VEIL_KIT_LUA PROPERTY STRINGS "" ${q_veil_kit_lua_versions})
set(LUA_INCLUDE_DIR "" CACHE PATH "Directory holding lua.hpp (found for Q_VEIL_KIT_LUA when empty)")
set(LUA_CMOD_DIR "" CACHE PATH "Where `install` puts the module (that Lua's C module directory when empty)")
set(_lua_supported "5.1 (also LuaJIT), 5.2, 5.3 and 5.4")

# The version of the Lua headers in DIR ("5.4"), or "" without a lua.h.
function(q_veil_kit_header_version dir out)
  set(version "")
  if(EXISTS "${dir}/lua.h")
    file(STRINGS "${dir}/lua.h" line REGEX "^#define[ \t]+LUA_VERSION_NUM[ \t]")
    if(line MATCHES "([0-9]+)0([0-9])[ \t]*$")
      set(version "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}")
    endif()
  endif()
  set(${out} "${version}" PARENT_SCOPE)
endfunction()

# The Debian packages that scripts/debian-packages.txt lists for NEED.
function(q_veil_kit_debian_packages need out)
  file(STRINGS "${PROJECT_SOURCE_DIR}/scripts/debian-packages.txt" line REGEX "^${need}:")
  string(REGEX REPLACE "^${need}:[ \t]*" "" line "${line}")
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

if(Q_VEIL_KIT_LUA AND NOT Q_VEIL_KIT_LUA IN_LIST q_veil_kit_lua_versions)
  message(FATAL_ERROR "Q_VEIL_KIT_LUA=${Q_VEIL_KIT_LUA}: the module builds for Lua ${_lua_supported}")
endif()

find_package(PkgConfig QUIET)
if(LUA_INCLUDE_DIR)
  # Given headers decide the version (LuaRocks passes only the folder).
  q_veil_kit_header_version("${LUA_INCLUDE_DIR}" _lua_found)
  if(NOT _lua_found)
    message(FATAL_ERROR "LUA_INCLUDE_DIR=${LUA_INCLUDE_DIR} holds no lua.h")
  elseif(Q_VEIL_KIT_LUA AND NOT _lua_found STREQUAL Q_VEIL_KIT_LUA)
    message(FATAL_ERROR "LUA_INCLUDE_DIR=${LUA_INCLUDE_DIR} holds Lua ${_lua_found} headers, not ${Q_VEIL_KIT_LUA}")
  elseif(NOT _lua_found IN_LIST q_veil_kit_lua_versions)
    message(FATAL_ERROR "LUA_INCLUDE_DIR=${LUA_INCLUDE_DIR} holds Lua ${_lua_found} headers: the module builds for Lua ${_lua_supported}")
  endif()
  set(Q_VEIL_KIT_LUA_VERSION "${_lua_found}")
  set(_lua_include "${LUA_INCLUDE_DIR}")
else()
  if(Q_VEIL_KIT_LUA)
    set(Q_VEIL_KIT_LUA_VERSION "${Q_VEIL_KIT_LUA}")
  else()
    set(Q_VEIL_KIT_LUA_VERSION 5.1)
  endif()
  set(_v "${Q_VEIL_KIT_LUA_VERSION}")
  string(REPLACE "." "" _vv "${_v}")
  # pkg-config names: Debian's lua5.4, others' lua-5.4 or lua54; LuaJIT is a 5.1.
  set(_lua_pc_names lua${_v} lua-${_v} lua${_vv})
  set(_lua_suffixes ${_lua_pc_names})  # include/lua5.4 and the like
  if(_v STREQUAL "5.1")
    list(APPEND _lua_pc_names luajit)
    list(APPEND _lua_suffixes luajit-2.1 luajit-2.0)
  endif()
  if(PKG_CONFIG_FOUND)
    pkg_search_module(Q_VEIL_KIT_PC_LUA${_vv} QUIET ${_lua_pc_names})
  endif()
  find_path(Q_VEIL_KIT_LUA${_vv}_HEADERS lua.hpp
    HINTS ${Q_VEIL_KIT_PC_LUA${_vv}_INCLUDE_DIRS} PATH_SUFFIXES ${_lua_suffixes})
  set(_lua_include "${Q_VEIL_KIT_LUA${_vv}_HEADERS}")
  q_veil_kit_debian_packages(lua${_v} _lua_package)
  if(_v STREQUAL "5.1")
    q_veil_kit_debian_packages(luajit _luajit_package)
    string(APPEND _lua_package " (or ${_luajit_package})")
  endif()
  if(NOT _lua_include)
    message(FATAL_ERROR "Lua ${_v} headers not found: install the Debian package ${_lua_package}, or pass -DLUA_INCLUDE_DIR=DIR")
  endif()
  q_veil_kit_header_version("${_lua_include}" _lua_found)
  if(NOT _lua_found STREQUAL _v)
    message(FATAL_ERROR "The lua.hpp found in ${_lua_include} is Lua ${_lua_found}, not ${_v}: install the Debian package ${_lua_package}, or pass -DLUA_INCLUDE_DIR=DIR")
  endif()
endif()

add_library(q_veil_kit_lua INTERFACE)
target_include_directories(q_veil_kit_lua INTERFACE "${_lua_include}")

# Windows: q_veil_kit_lua_library, the Lua DLL a module links with. Either the
# import library of the host's Lua (or that DLL itself: MinGW links with a
# DLL directly), or, without one, an import library made here for a DLL of
# the given name from the list of functions the modules call: enough to
# build for a DLL whose import library one lacks (LÖVE's LuaJIT, lua51.dll).
set(LUA_LIBRARY "" CACHE FILEPATH
  "Windows only: the import library of the host's Lua (liblua54.dll.a, lua51.lib) or its DLL")
if(WIN32)
  string(REPLACE "." "" _vv "${Q_VEIL_KIT_LUA_VERSION}")
  set(Q_VEIL_KIT_LUA_DLL "lua${_vv}.dll" CACHE STRING
    "Windows, without LUA_LIBRARY: the name of the Lua DLL to link with")
  add_library(q_veil_kit_lua_library INTERFACE)
  # LuaRocks passes its library folder and file name joined, which leaves a
  # folder when it knows no file name: that counts as no library.
  if(LUA_LIBRARY AND EXISTS "${LUA_LIBRARY}" AND NOT IS_DIRECTORY "${LUA_LIBRARY}")
    target_link_libraries(q_veil_kit_lua_library INTERFACE "${LUA_LIBRARY}")
    message(STATUS "The modules link with the Lua library ${LUA_LIBRARY}")
  else()
    find_program(Q_VEIL_KIT_DLLTOOL NAMES ${CMAKE_DLLTOOL} x86_64-w64-mingw32-dlltool dlltool
                 REQUIRED)
    set(_def "${PROJECT_BINARY_DIR}/lua-api.def")
    set(_implib "${PROJECT_BINARY_DIR}/liblua-api.dll.a")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/windows/lua-api.def.in" "${_def}" @ONLY)
    # Run in the build folder with bare names: dlltool names its symbols
    # after the library's path, and they end up in the DLL.
    execute_process(COMMAND "${Q_VEIL_KIT_DLLTOOL}" -d lua-api.def -l liblua-api.dll.a
                            -D "${Q_VEIL_KIT_LUA_DLL}"
                    WORKING_DIRECTORY "${PROJECT_BINARY_DIR}"
                    RESULT_VARIABLE _dlltool_failed)
    if(_dlltool_failed)
      message(FATAL_ERROR "${Q_VEIL_KIT_DLLTOOL} could not make an import library for ${Q_VEIL_KIT_LUA_DLL}")
    endif()
    target_link_libraries(q_veil_kit_lua_library INTERFACE "${_implib}")
    message(STATUS "The modules link with ${Q_VEIL_KIT_LUA_DLL} (import library made from ${_def})")
  endif()
endif()

# Where `install` puts the module. Decided at install time, under the prefix
# given then (cmake --install --prefix, with DESTDIR applied), so no prefix
# sticks in the cache: LUA_CMOD_DIR when set; else, under the prefix /usr,
# the C module folder of the system's own Lua (pkg-config's INSTALL_CMOD,
# lib/x86_64-linux-gnu/lua/5.4 on Debian); else lib/lua/5.X.
set(Q_VEIL_KIT_CMOD_DIR "lib/lua/${Q_VEIL_KIT_LUA_VERSION}")
set(Q_VEIL_KIT_SYSTEM_CMOD_DIR "${Q_VEIL_KIT_CMOD_DIR}")
if(LUA_CMOD_DIR)
  set(Q_VEIL_KIT_CMOD_DIR "${LUA_CMOD_DIR}")
  set(Q_VEIL_KIT_SYSTEM_CMOD_DIR "${LUA_CMOD_DIR}")
else()
  string(REPLACE "." "" _vv "${Q_VEIL_KIT_LUA_VERSION}")
  set(_lua_pc_module "${Q_VEIL_KIT_PC_LUA${_vv}_MODULE_NAME}")
  if(NOT _lua_pc_module)
    set(_lua_pc_module lua${Q_VEIL_KIT_LUA_VERSION})
  endif()
  set(_lua_cmod "")
  if(PKG_CONFIG_FOUND AND NOT CMAKE_CROSSCOMPILING)  # this machine's Lua only
    pkg_get_variable(_lua_cmod ${_lua_pc_module} INSTALL_CMOD)
  endif()
  if(_lua_cmod MATCHES "^/usr/")
    string(REGEX REPLACE "^/usr/" "" Q_VEIL_KIT_SYSTEM_CMOD_DIR "${_lua_cmod}")
  endif()
endif()

# Installs TARGET, a Lua module, into the folder described above.
function(q_veil_kit_install_module target)
  install(CODE "
    set(q_veil_kit_cmod \"${Q_VEIL_KIT_CMOD_DIR}\")
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      set(q_veil_kit_cmod \"${Q_VEIL_KIT_SYSTEM_CMOD_DIR}\")
    endif()
    if(NOT IS_ABSOLUTE \"\${q_veil_kit_cmod}\")
      set(q_veil_kit_cmod \"\${CMAKE_INSTALL_PREFIX}/\${q_veil_kit_cmod}\")
    endif()
    file(INSTALL DESTINATION \"\${q_veil_kit_cmod}\" TYPE MODULE
         FILES \"$<TARGET_FILE:${target}>\")")
endfunction()

message(STATUS "Lua ${Q_VEIL_KIT_LUA_VERSION} headers: ${_lua_include}; the module installs into PREFIX/${Q_VEIL_KIT_CMOD_DIR} (${Q_VEIL_KIT_SYSTEM_CMOD_DIR} under /usr)")

# Links TARGET, a program that embeds Lua (a host, which loads the module),
# with the library of the Lua this build is for. Only hosts link Lua.
function(q_veil_kit_link_lua_host target)
  set(v "${Q_VEIL_KIT_LUA_VERSION}")
  string(REPLACE "." "" vv "${v}")
  set(imported PkgConfig::Q_VEIL_KIT_HOST_LUA${vv})
  if(NOT TARGET ${imported})
    find_package(PkgConfig REQUIRED)
    pkg_search_module(Q_VEIL_KIT_HOST_LUA${vv} REQUIRED IMPORTED_TARGET GLOBAL
                      lua${v} lua-${v} lua${vv})
  endif()
  target_link_libraries(${target} PRIVATE ${imported})
endfunction()
