# Installs the npm packages of viewer/ exactly as package-lock.json pins them, once per change of
# the lock file: the build trees of one source tree share viewer/node_modules.
#   cmake -DNPM=npm -DVIEWER=<source>/viewer -DSTAMP=<file touched when done> -P NpmCi.cmake
file(SHA256 ${VIEWER}/package-lock.json lock)
set(installed ${VIEWER}/node_modules/.kestrane-lock-sha256)
set(previous "")
if(EXISTS ${installed})
  file(READ ${installed} previous)
endif()
if(NOT previous STREQUAL lock)
  execute_process(COMMAND ${NPM} ci --ignore-scripts --no-audit --no-fund --loglevel=error
    WORKING_DIRECTORY ${VIEWER} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "npm ci in ${VIEWER} failed")
  endif()
  file(WRITE ${installed} ${lock})
endif()
get_filename_component(stamp_dir ${STAMP} DIRECTORY)
file(MAKE_DIRECTORY ${stamp_dir})
file(TOUCH ${STAMP})
