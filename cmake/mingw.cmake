# MinGW-w64: the module DLL carries OpenMP and the C++ runtime inside, so
# that it imports only the Lua DLL and Windows' own DLLs. A DLL that needed
# libgomp-1.dll or libstdc++-6.dll beside it would fail to load ("module not
# found") on most users' machines.

# FindOpenMP names the import library libgomp.dll.a by its full path, which
# -static does not override: name the static archive instead.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgomp.a
                OUTPUT_VARIABLE q_veil_kit_static_gomp OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT IS_ABSOLUTE "${q_veil_kit_static_gomp}")
  message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no static libgomp.a (MSYS2: the mingw-w64 gcc package has it)")
endif()
set_property(TARGET OpenMP::OpenMP_CXX PROPERTY INTERFACE_LINK_LIBRARIES "${q_veil_kit_static_gomp}")

# Links TARGET, a module DLL, with libstdc++, libgcc and winpthread (which
# libgomp uses) inside, and without the link time in its header, so that the
# same sources give the same bytes.
function(q_veil_kit_mingw_module target)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++
                      LINKER:--no-insert-timestamp)
endfunction()
