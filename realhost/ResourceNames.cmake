# The host's resource script with every file it names (bitmaps, icons, cursors) given by its full
# path as the file system spells it: the script writes Windows paths in any case.
#
#   cmake -DINPUT=Orbiter.rc -DOUTPUT=out.rc -P ResourceNames.cmake
cmake_minimum_required(VERSION 3.25)
get_filename_component(folder ${INPUT} DIRECTORY)
file(GLOB_RECURSE present RELATIVE ${folder} ${folder}/*)
set(lowered "")
foreach(file IN LISTS present)
  string(TOLOWER "${file}" lower)
  list(APPEND lowered "${lower}")
endforeach()

file(READ ${INPUT} text)
string(REGEX MATCHALL "\"[^\"\r\n]*\\.([Bb][Mm][Pp]|[Ii][Cc][Oo]|[Cc][Uu][Rr]|[Jj][Pp][Gg]|[Pp][Nn][Gg])\"" names
       "${text}")
list(REMOVE_DUPLICATES names)
foreach(quoted IN LISTS names)
  string(REGEX REPLACE "^\"(.*)\"$" "\\1" name "${quoted}")
  string(REPLACE "\\\\" "/" path "${name}")
  string(TOLOWER "${path}" lower)
  list(FIND lowered "${lower}" at)
  if(at LESS 0)
    message(FATAL_ERROR "${INPUT} names ${name}, which is not in ${folder}")
  endif()
  list(GET present ${at} found)
  string(REPLACE "${quoted}" "\"${folder}/${found}\"" text "${text}")
endforeach()
file(WRITE ${OUTPUT} "${text}")
