# What the two MinGW-w64 toolchains share (cmake/mingw-i686.cmake, cmake/mingw-x86_64.cmake): the
# POSIX threads variant of the compilers, the C and C++ runtimes linked in, and programs run under
# Wine in a prefix of the build tree's own.
set(CMAKE_SYSTEM_NAME Windows)

find_program(CMAKE_C_COMPILER ${KESTRANE_MINGW_TRIPLE}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER ${KESTRANE_MINGW_TRIPLE}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER ${KESTRANE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTRANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Under strict ISO C++ MinGW's headers hide the POSIX maths constants (M_PI) that glibc shows.
set(CMAKE_C_FLAGS_INIT "-D_USE_MATH_DEFINES")
set(CMAKE_CXX_FLAGS_INIT "-D_USE_MATH_DEFINES")

# The runtime is linked in, so the module and the programs need no MinGW DLLs beside them.
set(KESTRANE_MINGW_STATIC_RUNTIME "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${KESTRANE_MINGW_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${KESTRANE_MINGW_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${KESTRANE_MINGW_STATIC_RUNTIME}")

# Programs built here run under Wine, in a Wine prefix that belongs to the build tree.
if(KESTRANE_MINGW_TRIPLE MATCHES "^x86_64")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;--64;${CMAKE_BINARY_DIR}/wineprefix")
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${CMAKE_BINARY_DIR}/wineprefix")
endif()
