# What the built binaries bind to, read from their PE headers:
#   cmake -DOBJDUMP=... -DMODULE=Kestrane.dll -DHOST=kestrane-sim.exe -DCORE=kestrane-core.dll -P CheckBinaries.cmake
# The module imports the host API from the host program and otherwise only from system libraries
# (the MinGW runtimes are linked in, so nothing has to go beside it); the host program exports the
# API's functions and the members of VESSEL and MFD. The simulated host's core library exports its
# two entries and, having no host API of its own, nothing of the API.
cmake_minimum_required(VERSION 3.25)
foreach(variable OBJDUMP MODULE HOST CORE)
  if(NOT ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()

function(headers file out)
  execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot read ${file}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

headers(${MODULE} module)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${module}")
list(TRANSFORM imports REPLACE "DLL Name: " "")
list(TRANSFORM imports TOLOWER)
set(allowed kestrane-sim.exe kernel32.dll gdi32.dll user32.dll msvcrt.dll)
foreach(library ${imports})
  if(NOT library IN_LIST allowed)
    message(FATAL_ERROR "${MODULE} imports from ${library}, which a host installation does not have")
  endif()
endforeach()
if(NOT "kestrane-sim.exe" IN_LIST imports)
  message(FATAL_ERROR "${MODULE} does not import the host API from kestrane-sim.exe")
endif()
foreach(export opcDLLInit opcDLLExit opcOpenRenderViewport opcCloseRenderViewport opcTimestep opcSaveState
               opcLoadState __opcGetInterface)
  if(NOT module MATCHES "\\] ${export}\n")
    message(FATAL_ERROR "${MODULE} does not export ${export}")
  endif()
endforeach()

headers(${HOST} host)
foreach(export oapiRegisterMFDMode oapiGetSimStep oapiReadScenario_nextline 6VESSEL10AddExhaust 3MFD17InvalidateDisplay
               3MFDD2Ev)
  if(NOT host MATCHES "\\] [^\n]*${export}")
    message(FATAL_ERROR "${HOST} does not export ${export}")
  endif()
endforeach()

headers(${CORE} core)
foreach(export KestraneBind KestraneRun)
  if(NOT core MATCHES "\\] ${export}\n")
    message(FATAL_ERROR "${CORE} does not export ${export}")
  endif()
endforeach()
if(core MATCHES "VESSEL|oapi|DLL Name: (libstdc|libgcc|libwinpthread)")
  message(FATAL_ERROR "${CORE} exports host API members or needs MinGW runtime libraries")
endif()
