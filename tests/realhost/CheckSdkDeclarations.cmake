# host/ declares what the host's SDK headers declare, for everything the plug-in uses:
#   cmake -DNM=llvm-nm -DSDK_OBJECTS=... -DDECLARED_OBJECTS=... -DLAYOUT_COMMAND=... -DLAYOUT_SOURCES=...
#         -DSDK_INCLUDES=... -DDECLARED_INCLUDES=... -DWORK=dir -P CheckSdkDeclarations.cmake
# Every plug-in source compiled against each in the host's ABI asks for the same symbols, which
# carry the names, parameter types and const-ness of every host function and member it calls; and
# the types the plug-in hands to the host or takes from it are laid out alike against each: the
# display class (with its MFD base) and its virtual table slot by slot, the display-mode record,
# the button menu's entry, the vector and the matrix.
cmake_minimum_required(VERSION 3.25)
foreach(variable NM SDK_OBJECTS DECLARED_OBJECTS LAYOUT_COMMAND LAYOUT_SOURCES SDK_INCLUDES DECLARED_INCLUDES WORK)
  if(NOT ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()
set(failures "")

function(undefined object out)
  execute_process(COMMAND ${NM} -u ${object} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cannot read ${object}")
  endif()
  string(REGEX REPLACE "[ \t]+U " "" symbols "${symbols}")
  string(REPLACE ";" "," symbols "${symbols}")
  string(REPLACE "\n" ";" symbols "${symbols}")
  list(REMOVE_ITEM symbols "")
  list(SORT symbols)
  set(${out} "${symbols}" PARENT_SCOPE)
endfunction()

# Objects pair up by their source's path below the target's object folder (NAME.dir/).
function(source_of object out)
  string(FIND "${object}" ".dir/" at REVERSE)
  math(EXPR at "${at} + 5")
  string(SUBSTRING "${object}" ${at} -1 source)
  set(${out} "${source}" PARENT_SCOPE)
endfunction()
string(REPLACE "|" ";" declared "${DECLARED_OBJECTS}")
string(REPLACE "|" ";" sdk "${SDK_OBJECTS}")
set(compared 0)
foreach(object ${declared})
  source_of(${object} source)
  set(match "")
  foreach(candidate ${sdk})
    source_of(${candidate} candidate_source)
    if(candidate_source STREQUAL source)
      set(match ${candidate})
    endif()
  endforeach()
  if(NOT match)
    string(APPEND failures "  ${source}: no object compiled against the SDK headers\n")
    continue()
  endif()
  undefined(${object} against_declared)
  undefined(${match} against_sdk)
  if(NOT against_declared STREQUAL against_sdk)
    set(only_declared ${against_declared})
    list(REMOVE_ITEM only_declared ${against_sdk})
    set(only_sdk ${against_sdk})
    list(REMOVE_ITEM only_sdk ${against_declared})
    string(APPEND failures "  ${source}: asks host/ for [${only_declared}] but the SDK for [${only_sdk}]\n")
  endif()
  math(EXPR compared "${compared} + 1")
endforeach()

# The layouts, as the compiler reports them for the sources that use the types. Anonymous members
# are named after the header that declares them, which differs: only that is left out.
set(layout_patterns
  "[*][*][*] Dumping AST Record Layout\n +0 [|] class kestrane::TetherDisplay\n([^\n]+\n)+"
  "VFTable for 'MFD' in 'kestrane::TetherDisplay'[^\n]*\n([^\n]+\n)+"
  "[*][*][*] Dumping AST Record Layout\n +0 [|] MFDMODESPECEX\n([^\n]+\n)+"
  "[*][*][*] Dumping AST Record Layout\n +0 [|] MFDBUTTONMENU\n([^\n]+\n)+"
  "[*][*][*] Dumping AST Record Layout\n +0 [|] VECTOR3\n([^\n]+\n)+"
  "[*][*][*] Dumping AST Record Layout\n +0 [|] MATRIX3\n([^\n]+\n)+")
function(layouts includes out)
  string(REPLACE "|" ";" command "${LAYOUT_COMMAND}")
  string(REPLACE "|" ";" includes "${includes}")
  string(REPLACE "|" ";" sources "${LAYOUT_SOURCES}")
  set(found "")
  set(parts "")
  foreach(source ${sources})
    execute_process(COMMAND ${command} ${includes} ${source} OUTPUT_VARIABLE dump ERROR_VARIABLE errors
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "cannot lay out ${source}:\n${errors}")
    endif()
    string(REGEX REPLACE "\\(anonymous at [^)]*\\)" "(anonymous)" dump "${dump}")
    foreach(pattern ${layout_patterns})
      string(REGEX MATCH "${pattern}" part "${dump}")
      if(part AND NOT pattern IN_LIST found)
        list(APPEND found "${pattern}")
        string(APPEND parts "${part}\n")
      endif()
    endforeach()
  endforeach()
  foreach(pattern ${layout_patterns})
    if(NOT pattern IN_LIST found)
      message(FATAL_ERROR "no '${pattern}' in the compiler's layout dumps")
    endif()
  endforeach()
  set(${out} "${parts}" PARENT_SCOPE)
endfunction()
layouts("${SDK_INCLUDES}" sdk_layout)
layouts("${DECLARED_INCLUDES}" declared_layout)
file(REMOVE ${WORK}/layouts-sdk.txt ${WORK}/layouts-host.txt)
if(NOT sdk_layout STREQUAL declared_layout)
  file(WRITE ${WORK}/layouts-sdk.txt "${sdk_layout}")
  file(WRITE ${WORK}/layouts-host.txt "${declared_layout}")
  string(APPEND failures "  the layouts differ: compare ${WORK}/layouts-sdk.txt and ${WORK}/layouts-host.txt\n")
endif()

if(failures)
  message(FATAL_ERROR "host/ and the SDK headers disagree:\n${failures}")
endif()
if(compared LESS 12)
  message(FATAL_ERROR "only ${compared} of the plug-in's sources were compared")
endif()
message(STATUS "host/ and the SDK headers agree: ${compared} sources; the display class, its virtual table, "
               "the display-mode record, the button menu's entry, the vector and the matrix")
