# The live page (an emscripten tree, configured by scripts/live.sh): the plug-in and the simulated
# host's core compiled to WebAssembly and put with the replay page's scene into one HTML file that
# flies a scenario in the browser, from the disk, without a server or the network.
#   kestrane_plugin     objects: the plug-in's code, as the module is made of it
#   kestrane-live-core  the core, its host API and the plug-in linked in: the host's loader finds
#                       the module's exports in a table of them (sim/live/StaticModule.h) instead
#                       of a file, and the module finds its own there; wasm embedded in the script
#   kestrane-live.html  viewer/live/ bundled with three.js by esbuild, the core inlined
#
# Debian's emscripten runs its JavaScript tools with the machine's node, which does not search
# Debian's own node modules (acorn) when it came from elsewhere.
set(KESTRANE_LIVE_ENV ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_C_COMPILER_LAUNCHER ${KESTRANE_LIVE_ENV})
set(CMAKE_CXX_COMPILER_LAUNCHER ${KESTRANE_LIVE_ENV})
set(CMAKE_CXX_LINKER_LAUNCHER ${KESTRANE_LIVE_ENV})

# The core but what the page does itself or has no use for: the display's picture (FreeType and
# libpng; the page draws the screen), the replay file (zlib; the page is live), the command line
# but for the key names and the keys' guide, and play's terminal but for its typed keys.
set(KESTRANE_LIVE_CORE_SOURCES ${KESTRANE_SIM_CORE_SOURCES})
list(FILTER KESTRANE_LIVE_CORE_SOURCES EXCLUDE REGEX
  "sim/display/CanvasPng\\.cpp$|sim/run/ReplayFile\\.cpp$|sim/cli/|sim/play/")
list(APPEND KESTRANE_LIVE_CORE_SOURCES sim/cli/KeyNames.cpp sim/cli/KeyGuide.cpp sim/play/TypedKeys.cpp)

add_library(kestrane_plugin OBJECT ${KESTRANE_PLUGIN_SOURCES})
add_executable(kestrane-live-core ${KESTRANE_LIVE_CORE_SOURCES} ${KESTRANE_ADAPTER_SOURCES}
  ${KESTRANE_STATIC_BINDING_SOURCES} ${KESTRANE_TETHERBLOCK_SOURCES} sim/live/LiveSession.cpp sim/live/LiveExports.cpp sim/live/StaticModule.cpp
  sim/live/ModuleExports.cpp tools/Textures.cpp)
target_link_libraries(kestrane-live-core PRIVATE kestrane_plugin)
foreach(target kestrane_plugin kestrane-live-core)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/host)
  target_link_libraries(${target} PRIVATE kestrane_flags)
  # Scenario files that cannot be read are refused by exceptions, which the page reports.
  target_compile_options(${target} PRIVATE -fexceptions)
endforeach()
# The C++ library of Debian's emscripten reads and writes no floating-point numbers with
# std::from_chars and std::to_chars.
target_compile_options(kestrane-live-core PRIVATE -include ${PROJECT_SOURCE_DIR}/sim/live/FloatCharconv.h)
target_link_options(kestrane-live-core PRIVATE -fexceptions -sMODULARIZE=1 -sEXPORT_NAME=createKestraneCore
  -sSINGLE_FILE=1 -sENVIRONMENT=web,node -sALLOW_MEMORY_GROWTH=1 -sFILESYSTEM=1
  -sEXPORTED_RUNTIME_METHODS=ccall,UTF8ToString)

find_program(KESTRANE_NODE node)
find_program(KESTRANE_NPM npm)
if(NOT KESTRANE_NODE OR NOT KESTRANE_NPM)
  message(FATAL_ERROR "the live page is built with node and npm (scripts/install-deps.sh installs them)")
endif()
set(live_stamp ${CMAKE_BINARY_DIR}/viewer/npm-ci.stamp)
add_custom_command(OUTPUT ${live_stamp}
  COMMAND ${CMAKE_COMMAND} -DNPM=${KESTRANE_NPM} -DVIEWER=${PROJECT_SOURCE_DIR}/viewer -DSTAMP=${live_stamp}
          -P ${PROJECT_SOURCE_DIR}/cmake/NpmCi.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/viewer/package.json ${PROJECT_SOURCE_DIR}/viewer/package-lock.json
  COMMENT "Installing the pages' npm packages (npm ci in viewer/)"
  VERBATIM)
file(GLOB live_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/viewer/live/*.js ${PROJECT_SOURCE_DIR}/viewer/live/*.css
     ${PROJECT_SOURCE_DIR}/viewer/live/*.html ${PROJECT_SOURCE_DIR}/viewer/src/*)
set(KESTRANE_LIVE_PAGE ${CMAKE_BINARY_DIR}/kestrane-live.html)
add_custom_command(OUTPUT ${KESTRANE_LIVE_PAGE}
  COMMAND ${KESTRANE_NODE} ${PROJECT_SOURCE_DIR}/viewer/live/build.mjs --core $<TARGET_FILE:kestrane-live-core>
          --scenarios ${PROJECT_SOURCE_DIR}/scenarios --out ${KESTRANE_LIVE_PAGE}
  DEPENDS ${live_stamp} kestrane-live-core ${live_sources} ${PROJECT_SOURCE_DIR}/viewer/live/build.mjs
  COMMENT "Building the live page"
  VERBATIM)
add_custom_target(kestrane-live ALL DEPENDS ${KESTRANE_LIVE_PAGE})

# The page in headless Chromium against kestrane-sim of a Linux tree (KESTRANE_LINUX_BUILD): the
# same keys typed and buttons clicked give the same tethers, vessels and screen as its run.
set(KESTRANE_LINUX_BUILD "" CACHE PATH "A Linux build tree whose kestrane-sim the live page is compared with")
find_program(KESTRANE_CHROMIUM chromium)
enable_testing()
if(KESTRANE_TESTS)
  # The core's floating-point reading and writing, in node, against the Linux build's results.
  add_executable(float_charconv_test tests/live/FloatCharconv_test.cpp)
  target_link_libraries(float_charconv_test PRIVATE kestrane_flags)
  target_compile_options(float_charconv_test PRIVATE -include ${PROJECT_SOURCE_DIR}/sim/live/FloatCharconv.h)
  target_link_options(float_charconv_test PRIVATE -sSINGLE_FILE=1)
  add_test(NAME float_charconv COMMAND ${KESTRANE_NODE} $<TARGET_FILE:float_charconv_test>)
endif()
if(NOT KESTRANE_TESTS)
elseif(NOT EXISTS "${KESTRANE_LINUX_BUILD}/kestrane-sim")
  message(STATUS "no kestrane-sim in KESTRANE_LINUX_BUILD ('${KESTRANE_LINUX_BUILD}'): the live page's browser tests are left out")
elseif(NOT KESTRANE_CHROMIUM)
  message(STATUS "chromium not found: the live page's browser tests are left out")
else()
  add_test(NAME live_browser COMMAND ${KESTRANE_NODE} --test ${PROJECT_SOURCE_DIR}/viewer/live/test/live.test.mjs)
  set_tests_properties(live_browser PROPERTIES TIMEOUT 600 ENVIRONMENT
    "KESTRANE_LIVE_PAGE=${KESTRANE_LIVE_PAGE};KESTRANE_SIM=${KESTRANE_LINUX_BUILD}/kestrane-sim;KESTRANE_CHROMIUM=${KESTRANE_CHROMIUM};KESTRANE_SCENARIOS=${PROJECT_SOURCE_DIR}/scenarios;KESTRANE_OUT=${CMAKE_BINARY_DIR}/live-test")
endif()
