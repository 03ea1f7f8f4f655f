# macos.cmake's link rules, read after CMake's own Darwin rules (which would
# link with the compiler, Zig): clang-14 drives LLVM's ld64.lld.
foreach(lang C CXX)
  set(CMAKE_${lang}_CREATE_SHARED_MODULE
    "${Q_VEIL_KIT_MACOS_LINK} <CMAKE_SHARED_MODULE_CREATE_${lang}_FLAGS> <LINK_FLAGS> -o <TARGET> <OBJECTS> <LINK_LIBRARIES> ${Q_VEIL_KIT_MACOS_LIBRARIES}")
  set(CMAKE_${lang}_LINK_EXECUTABLE
    "${Q_VEIL_KIT_MACOS_LINK} <FLAGS> <CMAKE_${lang}_LINK_FLAGS> <LINK_FLAGS> <OBJECTS> -o <TARGET> <LINK_LIBRARIES> ${Q_VEIL_KIT_MACOS_LIBRARIES}")
endforeach()
