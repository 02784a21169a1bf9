# Tests of the Windows cross build. GoogleTest is built from the sources that Debian installs
# (/usr/src/googletest) with the cross compiler, and every test program runs under Wine through the
# cross-compiling emulator.
set(KESTRANE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
if(NOT EXISTS ${KESTRANE_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${KESTRANE_GTEST_SOURCE_DIR} "
                      "(Debian package googletest; scripts/install-deps.sh installs it)")
endif()
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${KESTRANE_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

include(GoogleTest)

# Under Wine every process start costs a good fraction of a second and listing a program's tests
# needs one more: each test program is registered as one test, which runs all its cases and
# reports every failing one by name. Keyword arguments other than PROPERTIES (which apply to the
# one test) and TEST_PREFIX/TEST_SUFFIX (which name it) do not apply to a whole program.
function(gtest_discover_tests target)
  cmake_parse_arguments(arg "" "TEST_PREFIX;TEST_SUFFIX;WORKING_DIRECTORY;DISCOVERY_TIMEOUT;DISCOVERY_MODE"
                        "EXTRA_ARGS;PROPERTIES;TEST_LIST" ${ARGN})
  set(name "${arg_TEST_PREFIX}${target}${arg_TEST_SUFFIX}")
  if(arg_WORKING_DIRECTORY)
    add_test(NAME ${name} COMMAND ${target} ${arg_EXTRA_ARGS} WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  else()
    add_test(NAME ${name} COMMAND ${target} ${arg_EXTRA_ARGS})
  endif()
  if(arg_PROPERTIES)
    set_tests_properties(${name} PROPERTIES ${arg_PROPERTIES})
  endif()
endfunction()
