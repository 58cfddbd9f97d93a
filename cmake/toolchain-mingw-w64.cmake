# Cross-build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64).
#   cmake -S . -B build/mingw -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake
# Test programs run through Wine (wine64), so ctest works on the build host.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZENTREL_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix thread model gives the full <thread>/<mutex>; winpthreads is
# linked statically with everything else.
find_program(CMAKE_C_COMPILER NAMES ${ZENTREL_MINGW_TRIPLET}-gcc-posix ${ZENTREL_MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ZENTREL_MINGW_TRIPLET}-g++-posix ${ZENTREL_MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ZENTREL_MINGW_TRIPLET}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${ZENTREL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Executables that need no DLL beyond Windows' own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(ZENTREL_WINE NAMES wine wine64)
if(ZENTREL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZENTREL_WINE})
endif()

# CLI11 is header-only, but the host's package points at /usr/include, which
# must stay out of a cross build (its libc headers would shadow MinGW's). Give
# find_package a package of the headers alone, copied into the build tree.
get_property(_zentrel_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT _zentrel_in_try_compile AND EXISTS /usr/include/CLI/CLI.hpp)
  set(_zentrel_cli11 ${CMAKE_BINARY_DIR}/cross-packages/CLI11)
  if(NOT EXISTS ${_zentrel_cli11}/CLI11Config.cmake)
    file(COPY /usr/include/CLI DESTINATION ${_zentrel_cli11}/include)
    file(WRITE ${_zentrel_cli11}/CLI11Config.cmake [=[
if(NOT TARGET CLI11::CLI11)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}/include")
endif()
set(CLI11_FOUND TRUE)
]=])
  endif()
  set(CLI11_DIR ${_zentrel_cli11} CACHE PATH "CLI11 headers for the cross build")
endif()
