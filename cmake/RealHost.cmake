# The plug-in for the real host: Kestrane.dll in the host's Visual C++ ABI, compiled from the plug-in's
# unchanged sources against the host's own SDK headers. KESTRANE_ORBITER_SDK names the Orbitersdk
# folder of a host installation (or of the host's source repository).
#
# With Visual Studio the module links the SDK's import libraries, orbiter.lib and Orbitersdk.lib, as
# the SDK's own sample build does. With clang and lld (cmake/clang-msvc-i686.cmake,
# cmake/clang-msvc-x64.cmake) the tree also builds, in cmake/ClangMsvcHost.cmake,
#   - orbiter.exe, a test host in the same ABI: the simulated host's API (sim/api) compiled against
#     the same headers, exporting what the host exports under the host's names; the module links
#     its import library, as a module links the host's. Beside it at run time it loads the
#     simulated host's core, kestrane-core.dll, built by MinGW (cmake/CoreLibrary.cmake), whose path
#     KESTRANE_CORE_LIBRARY gives;
#   - the tests: the module's imports and the binaries' PE headers, and that host/ declares what
#     the SDK headers declare.
if(NOT KESTRANE_ORBITER_SDK)
  message(FATAL_ERROR "the plug-in for the real host needs KESTRANE_ORBITER_SDK, the host's Orbitersdk folder "
                      "(here: -DKESTRANE_ORBITER_SDK=../shared/orbitersdk)")
endif()
get_filename_component(KESTRANE_SDK "${KESTRANE_ORBITER_SDK}" ABSOLUTE BASE_DIR ${CMAKE_BINARY_DIR})
if(NOT EXISTS ${KESTRANE_SDK}/include/Orbitersdk.h)
  message(FATAL_ERROR "KESTRANE_ORBITER_SDK=${KESTRANE_ORBITER_SDK} has no include/Orbitersdk.h")
endif()

# The headers include <lua/lua.h> from a folder named "Lua": where file names tell cases apart, the
# build offers that folder under the name the headers use.
set(KESTRANE_SDK_INCLUDES ${KESTRANE_SDK}/include)
if(NOT EXISTS ${KESTRANE_SDK}/include/lua/lua.h AND EXISTS ${KESTRANE_SDK}/include/Lua/lua.h)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/sdk-names)
  file(CREATE_LINK ${KESTRANE_SDK}/include/Lua ${CMAKE_BINARY_DIR}/sdk-names/lua SYMBOLIC)
  list(APPEND KESTRANE_SDK_INCLUDES ${CMAKE_BINARY_DIR}/sdk-names)
endif()

# The plug-in's code, compiled once against the SDK headers, with the block's format, and the module
# made of them.
add_library(kestrane_tetherblock STATIC ${KESTRANE_TETHERBLOCK_SOURCES})
target_include_directories(kestrane_tetherblock PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(kestrane_tetherblock PRIVATE kestrane_flags)
add_library(kestrane_plugin OBJECT ${KESTRANE_PLUGIN_SOURCES})
target_include_directories(kestrane_plugin SYSTEM PRIVATE ${KESTRANE_SDK_INCLUDES})
target_link_libraries(kestrane_plugin PUBLIC kestrane_tetherblock)
target_link_libraries(kestrane_plugin PRIVATE kestrane_flags)
add_library(Kestrane SHARED)
target_link_libraries(Kestrane PRIVATE kestrane_plugin)
set_target_properties(Kestrane PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
                                          ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
target_link_libraries(Kestrane PRIVATE kestrane_flags)
install(TARGETS Kestrane RUNTIME DESTINATION Modules/Plugin)

if(MSVC)
  target_link_libraries(Kestrane PRIVATE ${KESTRANE_SDK}/lib/orbiter.lib ${KESTRANE_SDK}/lib/Orbitersdk.lib)
elseif(KESTRANE_CLANG_MSVC)
  include(cmake/ClangMsvcHost.cmake)
else()
  message(FATAL_ERROR "the plug-in for the real host needs a Visual C++ ABI compiler: Visual Studio, or "
                      "-DCMAKE_TOOLCHAIN_FILE=cmake/clang-msvc-i686.cmake (or -x64)")
endif()
