# Brings a copy of third-party sources up to date for the build: every file of the listed folders of
# ROOT is copied to the same place under DEST, and the files that PATCHES change are copied patched.
# A copy is rewritten only when its content changes, so that a build after an edit of one source
# file recompiles what depends on that file and nothing else.
#
#   cmake -DROOT=DIR -DDEST=DIR -DFOLDERS=a|b -DPATCHES=p1|p2 -DSCRATCH=DIR -P PrepareSources.cmake
#
# (lists separated by '|', which a build command passes through unchanged).
# A patch is a unified diff with a/ and b/ paths relative to ROOT, after a free-text description.
cmake_minimum_required(VERSION 3.25)
foreach(required ROOT DEST FOLDERS SCRATCH)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "PrepareSources.cmake needs -D${required}=...")
  endif()
endforeach()
foreach(list FOLDERS PATCHES)
  string(REPLACE "|" ";" ${list} "${${list}}")
endforeach()
find_program(PATCH patch)
if(PATCHES AND NOT PATCH)
  message(FATAL_ERROR "patch(1) is needed to apply ${PATCHES}")
endif()

# The files each patch changes, from its "+++ b/PATH" lines.
set(patched "")
foreach(patchFile IN LISTS PATCHES)
  file(STRINGS ${patchFile} targets REGEX "^\\+\\+\\+ b/")
  foreach(target IN LISTS targets)
    string(REGEX REPLACE "^\\+\\+\\+ b/([^\t]*).*$" "\\1" target "${target}")
    list(APPEND patched ${target})
  endforeach()
endforeach()
list(REMOVE_DUPLICATES patched)

foreach(folder IN LISTS FOLDERS)
  if(NOT IS_DIRECTORY ${ROOT}/${folder})
    message(FATAL_ERROR "${ROOT} has no folder ${folder}")
  endif()
  file(GLOB_RECURSE files RELATIVE ${ROOT} LIST_DIRECTORIES true ${ROOT}/${folder}/*)
  file(MAKE_DIRECTORY ${DEST}/${folder})
  foreach(file IN LISTS files)
    if(IS_DIRECTORY ${ROOT}/${file})
      file(MAKE_DIRECTORY ${DEST}/${file})
      continue()
    endif()
    if(NOT file IN_LIST patched)
      file(COPY_FILE ${ROOT}/${file} ${DEST}/${file} ONLY_IF_DIFFERENT)
    endif()
  endforeach()
endforeach()

# The patched files: pristine copies in a scratch tree, every patch applied there, then copied over.
if(patched)
  file(REMOVE_RECURSE ${SCRATCH})
  foreach(file IN LISTS patched)
    if(NOT EXISTS ${ROOT}/${file})
      message(FATAL_ERROR "a patch changes ${file}, which ${ROOT} does not have")
    endif()
    get_filename_component(folder ${file} DIRECTORY)
    file(MAKE_DIRECTORY ${SCRATCH}/${folder} ${DEST}/${folder})
    file(COPY_FILE ${ROOT}/${file} ${SCRATCH}/${file})
  endforeach()
  foreach(patchFile IN LISTS PATCHES)
    execute_process(COMMAND ${PATCH} -p1 --quiet --forward --no-backup-if-mismatch -r - -i ${patchFile}
                    WORKING_DIRECTORY ${SCRATCH} RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(failed)
      message(FATAL_ERROR "${patchFile} does not apply to ${ROOT}:\n${output}")
    endif()
  endforeach()
  foreach(file IN LISTS patched)
    file(COPY_FILE ${SCRATCH}/${file} ${DEST}/${file} ONLY_IF_DIFFERENT)
  endforeach()
endif()
