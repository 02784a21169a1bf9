# The real host's 32-bit C++ ABI (Visual C++, x86) with clang and lld:
#
#   cmake -S . -B build/msvc-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/clang-msvc-i686.cmake \
#         -DKESTRANE_ORBITER_SDK=<host>/Orbitersdk
#
# builds Kestrane.dll at the top of the build folder (cmake/RealHost.cmake says what else).
set(KESTRANE_MSVC_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/clang-msvc.cmake)
