# The real host's 64-bit C++ ABI (Visual C++, x64) with clang and lld:
#
#   cmake -S . -B build/msvc-x64 -DCMAKE_TOOLCHAIN_FILE=cmake/clang-msvc-x64.cmake \
#         -DKESTRANE_ORBITER_SDK=<host>/Orbitersdk
#
# builds Kestrane.dll at the top of the build folder (cmake/RealHost.cmake says what else).
set(KESTRANE_MSVC_ARCH x64)
include(${CMAKE_CURRENT_LIST_DIR}/clang-msvc.cmake)
