# What the two Visual C++ ABI toolchains share (cmake/clang-msvc-i686.cmake, cmake/clang-msvc-x64.cmake).
# No Visual C++ exists here: Debian's clang-14 compiles in Visual C++ mode (the host's names,
# calling conventions, class layouts and virtual tables) with the MinGW-w64 headers for
# <windows.h> and the C library and GCC's C++ library headers, and lld-14 links. The programs that
# result use the system's msvcrt.dll, with the small start-up and support code in runtime/. The
# project builds the plug-in for the real host this way (cmake/RealHost.cmake); it needs
# KESTRANE_ORBITER_SDK, the host's Orbitersdk folder.
set(CMAKE_SYSTEM_NAME Windows)
set(KESTRANE_CLANG_MSVC ON)

if(KESTRANE_MSVC_ARCH STREQUAL "i686")
  set(CMAKE_SYSTEM_PROCESSOR x86)
  set(KESTRANE_MSVC_TRIPLE i686-pc-windows-msvc)
  set(KESTRANE_MINGW_TRIPLE i686-w64-mingw32)
  set(KESTRANE_MSVC_MACHINE x86)
  set(kestrane_arch_define -D_X86_=1)
else()
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
  set(KESTRANE_MSVC_TRIPLE x86_64-pc-windows-msvc)
  set(KESTRANE_MINGW_TRIPLE x86_64-w64-mingw32)
  set(KESTRANE_MSVC_MACHINE x64)
  # GCC's C++ library headers expect GCC's own description of the 128-bit integer type.
  set(kestrane_arch_define "-D_AMD64_=1 -D__GLIBCXX_TYPE_INT_N_0=__int128 -D__GLIBCXX_BITSIZE_INT_N_0=128")
endif()

find_program(CMAKE_C_COMPILER clang-14 REQUIRED)
find_program(CMAKE_CXX_COMPILER clang++-14 REQUIRED)
set(CMAKE_C_COMPILER_TARGET ${KESTRANE_MSVC_TRIPLE})
set(CMAKE_CXX_COMPILER_TARGET ${KESTRANE_MSVC_TRIPLE})
find_program(CMAKE_LINKER lld-link-14 REQUIRED)
find_program(CMAKE_AR llvm-ar-14 REQUIRED)
find_program(CMAKE_RANLIB llvm-ranlib-14)
find_program(KESTRANE_LLVM_NM llvm-nm-14 REQUIRED)
find_program(KESTRANE_LLVM_READOBJ llvm-readobj-14 REQUIRED)
find_program(KESTRANE_LLVM_DLLTOOL llvm-dlltool-14 REQUIRED)

# Nothing can be linked before the project has its own start-up code: the compiler checks compile only.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# No Visual C++ runtime library is chosen by flag; the link names msvcrt.dll itself.
set(CMAKE_MSVC_RUNTIME_LIBRARY "")

set(KESTRANE_MINGW_ROOT /usr/${KESTRANE_MINGW_TRIPLE})
file(GLOB kestrane_cxx_headers /usr/lib/gcc/${KESTRANE_MINGW_TRIPLE}/*-posix/include/c++)
list(GET kestrane_cxx_headers 0 kestrane_cxx_headers)
if(NOT EXISTS "${kestrane_cxx_headers}/cstdio" OR NOT EXISTS ${KESTRANE_MINGW_ROOT}/include/windows.h)
  message(FATAL_ERROR "the ${KESTRANE_MINGW_TRIPLE} MinGW-w64 headers are missing "
                      "(scripts/install-deps.sh --windows installs them)")
endif()
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-resource-dir OUTPUT_VARIABLE kestrane_clang_resources
                OUTPUT_STRIP_TRAILING_WHITESPACE)

# Visual C++ mode with the MinGW headers: they declare their imports only where __declspec is a
# macro, as it is under GCC, so it is made one that stands for itself. The C library's printf and
# scanf families are MinGW's own, linked in, so that numbers read and print as on every other
# platform, and its inline copies of maths functions stay out.
set(kestrane_msvc_flags
  "-fms-extensions -fms-compatibility -fgnuc-version=4.2.1 ${kestrane_arch_define}"
  "\"-D__declspec(x)=__declspec(x)\" -D__USE_MINGW_ANSI_STDIO=1 -D__CRT__NO_INLINE"
  "-nostdinc -isystem ${kestrane_cxx_headers} -isystem ${kestrane_cxx_headers}/${KESTRANE_MINGW_TRIPLE}"
  "-isystem ${KESTRANE_MINGW_ROOT}/include -isystem ${kestrane_clang_resources}/include"
  # No C++ runtime library exists for this ABI here: no exceptions, no run-time type information,
  # and a square root that is the processor's instruction rather than a library call.
  "-fno-exceptions -fno-rtti -fno-math-errno")
string(JOIN " " kestrane_msvc_flags ${kestrane_msvc_flags})
set(CMAKE_C_FLAGS_INIT "${kestrane_msvc_flags}")
set(CMAKE_CXX_FLAGS_INIT "${kestrane_msvc_flags}")

# The MinGW-w64 import and support libraries the links take from, and GCC's support library that
# MinGW's C library code calls (stack probes, 64-bit division).
set(KESTRANE_MINGW_LIBRARIES ${KESTRANE_MINGW_ROOT}/lib)
execute_process(COMMAND ${KESTRANE_MINGW_TRIPLE}-gcc-posix -print-libgcc-file-name OUTPUT_VARIABLE KESTRANE_MINGW_LIBGCC
                OUTPUT_STRIP_TRAILING_WHITESPACE)

# Programs built here run under Wine, in a Wine prefix of the build tree's own.
if(KESTRANE_MSVC_ARCH STREQUAL "i686")
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${CMAKE_BINARY_DIR}/wineprefix")
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;--64;${CMAKE_BINARY_DIR}/wineprefix")
endif()
