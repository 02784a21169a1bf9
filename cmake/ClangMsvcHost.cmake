# The plug-in for the real host built with clang and lld in the host's Visual C++ ABI
# (cmake/clang-msvc-i686.cmake, cmake/clang-msvc-x64.cmake), where there is no Visual C++ runtime:
# the link rules, the start-up code (runtime/), the test host orbiter.exe and the tests, and, where
# the host's sources are given, the real host itself (realhost/). Included by cmake/RealHost.cmake
# after it has made the module.
# lld-link, called directly: no default libraries (there is no Visual C++ runtime library here),
# nothing left unreferenced. The MinGW-w64 import libraries carry no safe exception handler tables.
set(kestrane_link "<CMAKE_LINKER> /nologo /nodefaultlib /machine:${KESTRANE_MSVC_MACHINE} /opt:ref")
if(KESTRANE_MSVC_MACHINE STREQUAL "x86")
  string(APPEND kestrane_link " /safeseh:no")
endif()
set(CMAKE_CXX_CREATE_SHARED_LIBRARY
    "${kestrane_link} /dll <LINK_FLAGS> <OBJECTS> /out:<TARGET> /implib:<TARGET_IMPLIB> <LINK_LIBRARIES>")
set(CMAKE_CXX_LINK_EXECUTABLE "${kestrane_link} <LINK_FLAGS> <OBJECTS> /out:<TARGET> /implib:<TARGET_IMPLIB> <LINK_LIBRARIES>")
# What the platform files would add for a clang driver: every library is named below.
set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(CMAKE_C_STANDARD_LIBRARIES "")
set(CMAKE_CXX_CREATE_CONSOLE_EXE "")
set(CMAKE_CXX_CREATE_WIN32_EXE "")

# Inline members of the SDK's classes stay inline: a module does not import them from the host, and
# the test host exports only what it defines.
set(KESTRANE_INLINE_FLAGS -Xclang -fno-dllexport-inlines)
target_compile_options(kestrane_plugin PRIVATE ${KESTRANE_INLINE_FLAGS})

# The C runtime: msvcrt.dll, with MinGW-w64's printf and scanf families and maths functions linked
# in; on x86 also the 64-bit integer helpers, from ntdll.dll.
set(KESTRANE_CRT_LIBRARIES ${KESTRANE_MINGW_LIBRARIES}/libmsvcrt.a ${KESTRANE_MINGW_LIBRARIES}/libmingwex.a
                           ${KESTRANE_MINGW_LIBGCC} ${KESTRANE_MINGW_LIBRARIES}/libkernel32.a
                           ${KESTRANE_MINGW_LIBRARIES}/libgdi32.a)
if(KESTRANE_MSVC_MACHINE STREQUAL "x86")
  set(helpers ${CMAKE_BINARY_DIR}/lib/ntdll-x86.lib)
  add_custom_command(OUTPUT ${helpers}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/lib
    COMMAND ${KESTRANE_LLVM_DLLTOOL} -m i386 -d ${PROJECT_SOURCE_DIR}/runtime/ntdll-x86.def -l ${helpers}
    DEPENDS ${PROJECT_SOURCE_DIR}/runtime/ntdll-x86.def
    COMMENT "Import library of ntdll.dll's 64-bit integer helpers" VERBATIM)
  add_custom_target(integer_helpers DEPENDS ${helpers})
  list(PREPEND KESTRANE_CRT_LIBRARIES ${helpers})
endif()

add_library(kestrane_runtime STATIC runtime/Startup.cpp runtime/Support.cpp)
target_link_libraries(kestrane_runtime PRIVATE kestrane_flags)

# The test host: the simulated host's API in this ABI (the adapter), exporting it as the host does,
# and the program that binds it to the simulated host's core.
add_library(kestrane_adapter OBJECT ${KESTRANE_ADAPTER_SOURCES})
target_include_directories(kestrane_adapter SYSTEM PUBLIC ${KESTRANE_SDK_INCLUDES})
target_include_directories(kestrane_adapter PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(kestrane_adapter PUBLIC OAPI_IMPLEMENTATION)
target_compile_options(kestrane_adapter PUBLIC ${KESTRANE_INLINE_FLAGS})
target_link_libraries(kestrane_adapter PRIVATE kestrane_flags)
add_executable(orbiter ${KESTRANE_ORBITER_MAIN_SOURCES} runtime/ExeStartup.cpp)
set_target_properties(orbiter PROPERTIES ENABLE_EXPORTS ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
                                         ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib
                                         LINK_FLAGS "/entry:mainCRTStartup /subsystem:console")
target_link_libraries(orbiter PRIVATE kestrane_adapter kestrane_runtime ${KESTRANE_CRT_LIBRARIES})
target_link_libraries(orbiter PRIVATE kestrane_flags)

target_sources(Kestrane PRIVATE runtime/DllStartup.cpp)
set_target_properties(Kestrane PROPERTIES LINK_FLAGS "/entry:_DllMainCRTStartup")
target_link_libraries(Kestrane PRIVATE orbiter kestrane_runtime ${KESTRANE_CRT_LIBRARIES})
if(TARGET integer_helpers)
  add_dependencies(Kestrane integer_helpers)
  add_dependencies(orbiter integer_helpers)
endif()

# The simulated host's core, built by MinGW for the same machine, goes beside the test host.
set(KESTRANE_CORE_LIBRARY "" CACHE FILEPATH "kestrane-core.dll of the MinGW build for this machine")
if(KESTRANE_CORE_LIBRARY)
  add_custom_command(TARGET orbiter POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KESTRANE_CORE_LIBRARY} ${CMAKE_BINARY_DIR}/kestrane-core.dll
    VERBATIM)
endif()

# The plug-in's sources once more, against host/ instead of the SDK, for the test that the two agree.
add_library(kestrane_declared OBJECT ${KESTRANE_PLUGIN_SOURCES})
target_include_directories(kestrane_declared PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/host)
target_compile_definitions(kestrane_declared PRIVATE KESTRANE_HOST_IMPORTS)
target_compile_options(kestrane_declared PRIVATE ${KESTRANE_INLINE_FLAGS})
target_link_libraries(kestrane_declared PRIVATE kestrane_flags)

if(KESTRANE_TESTS)
  enable_testing()
  add_subdirectory(tests/realhost)
endif()

# The real host itself, built from its source tree where one is given (realhost/).
set(KESTRANE_HOST_SOURCE "" CACHE PATH "The host's source tree, to build the real host from (realhost/)")
if(KESTRANE_HOST_SOURCE)
  option(KESTRANE_REAL_HOST_TESTS "Runs of scenarios in the real host under Wine, as tests" ON)
  enable_testing()
  add_subdirectory(realhost)
endif()
