# The header a vessel module of the host includes to name its mesh's groups: "#define GRP_<LABEL><SUFFIX>
# <index>" for each group of the mesh file that has a LABEL, the index counted over every group, as
# the host's own build writes it with its mesh compiler.
#
#   cmake -DMESH=file.msh -DSUFFIX=_VC -DOUTPUT=meshres_vc.h -P MeshLabels.cmake   (SUFFIX may be empty)
cmake_minimum_required(VERSION 3.25)
file(STRINGS ${MESH} lines REGEX "^[ \t]*(LABEL|GEOM)([ \t]|$)")
set(group 0)
set(label "")
get_filename_component(name ${MESH} NAME)
set(text "// The labelled groups of ${name}.\n#pragma once\n")
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*LABEL[ \t]+([^ \t\r]+)")
    set(label "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^[ \t]*GEOM")
    if(label)
      string(APPEND text "#define GRP_${label}${SUFFIX} ${group}\n")
    endif()
    set(label "")
    math(EXPR group "${group} + 1")
  endif()
endforeach()
file(CONFIGURE OUTPUT ${OUTPUT} CONTENT "${text}" @ONLY)
