# Cross build for 64-bit Windows with the x86_64 MinGW-w64 compilers (POSIX threads variant),
# programs run under 64-bit Wine. The test host of the real host's 64-bit ABI takes the simulated
# host's core from here:
#
#   cmake -S . -B build/windows64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DKESTRANE_TESTS=OFF \
#         -DKESTRANE_BENCH=OFF && cmake --build build/windows64 --target kestrane-core
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(KESTRANE_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
