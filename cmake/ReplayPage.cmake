# The replay page: viewer/ built into one HTML template by node (three.js bundled by esbuild, the
# tether textures as PNG images from the DDS files of kestrane-textures), embedded into the
# simulated host as a generated source. Without node and npm everything else builds and
# `kestrane-sim run --replay` says that this build has no page.
find_program(KESTRANE_NODE node)
find_program(KESTRANE_NPM npm)
set(KESTRANE_VIEWER_OUT ${CMAKE_BINARY_DIR}/viewer)
set(KESTRANE_REPLAY_PAGE_SOURCE ${KESTRANE_VIEWER_OUT}/ReplayPage.cpp)
set(KESTRANE_REPLAY_TEMPLATE ${KESTRANE_VIEWER_OUT}/replay-template.html)

if(KESTRANE_NODE AND KESTRANE_NPM)
  set(KESTRANE_HAVE_REPLAY_PAGE ON)
  set(modules_stamp ${KESTRANE_VIEWER_OUT}/npm-ci.stamp)
  add_custom_command(OUTPUT ${modules_stamp}
    COMMAND ${CMAKE_COMMAND} -DNPM=${KESTRANE_NPM} -DVIEWER=${PROJECT_SOURCE_DIR}/viewer -DSTAMP=${modules_stamp}
            -P ${PROJECT_SOURCE_DIR}/cmake/NpmCi.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/viewer/package.json ${PROJECT_SOURCE_DIR}/viewer/package-lock.json
    COMMENT "Installing the replay page's npm packages (npm ci in viewer/)"
    VERBATIM)
  file(GLOB viewer_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/viewer/src/*)
  add_custom_command(OUTPUT ${KESTRANE_REPLAY_PAGE_SOURCE} ${KESTRANE_REPLAY_TEMPLATE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTRANE_VIEWER_OUT}/textures
    COMMAND kestrane-textures ${KESTRANE_VIEWER_OUT}/textures
    COMMAND ${KESTRANE_NODE} ${PROJECT_SOURCE_DIR}/viewer/build.mjs --textures ${KESTRANE_VIEWER_OUT}/textures
            --out ${KESTRANE_VIEWER_OUT}
    DEPENDS ${modules_stamp} kestrane-textures ${PROJECT_SOURCE_DIR}/viewer/build.mjs ${viewer_sources}
    COMMENT "Building the replay page"
    VERBATIM)
else()
  set(KESTRANE_HAVE_REPLAY_PAGE OFF)
  message(STATUS "node or npm not found: kestrane-sim is built without the replay page (run --replay fails)")
  file(CONFIGURE OUTPUT ${KESTRANE_REPLAY_PAGE_SOURCE} CONTENT [[
// This build was configured without node and npm: it has no replay page.
#include "sim/run/ReplayFile.h"

std::string_view sim::ReplayPageTemplate() { return {}; }
]])
endif()
target_sources(kestrane_sim_core PRIVATE ${KESTRANE_REPLAY_PAGE_SOURCE})

# On Windows zlib is linked in, so that the programs need no zlib DLL beside them.
if(WIN32)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()
find_package(ZLIB REQUIRED)
target_link_libraries(kestrane_sim_core PUBLIC ZLIB::ZLIB)
