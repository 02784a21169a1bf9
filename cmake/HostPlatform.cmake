# What the simulated host needs on each platform: FreeType and libpng for the display's picture,
# the dynamic loader, and curses for the interactive terminal.
if(WIN32)
  target_link_libraries(kestrane_host PUBLIC gdi32)
else()
  find_package(Freetype REQUIRED)
  find_package(PNG REQUIRED)
  target_link_libraries(kestrane_host PUBLIC Freetype::Freetype PNG::PNG ${CMAKE_DL_LIBS})
  set(CURSES_NEED_NCURSES TRUE)
  find_package(Curses)
endif()

function(kestrane_sim_platform target)
  if(CURSES_FOUND AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/sim/play/Play.cpp)
    target_include_directories(${target} PRIVATE ${CURSES_INCLUDE_DIRS})
    target_link_libraries(${target} PRIVATE ${CURSES_LIBRARIES})
    target_compile_definitions(${target} PRIVATE KESTRANE_HAVE_PLAY)
  endif()
endfunction()
