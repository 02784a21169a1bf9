# What the simulated host needs on each platform: GDI on Windows; FreeType and libpng for the
# display's picture and the dynamic loader elsewhere; and curses, where it is found, for play's
# terminal (kestrane_play_terminal), which kestrane-sim then has.
if(WIN32)
  target_link_libraries(kestrane_sim_core PUBLIC gdi32)
else()
  find_package(Freetype REQUIRED)
  find_package(PNG REQUIRED)
  target_link_libraries(kestrane_sim_core PUBLIC Freetype::Freetype PNG::PNG ${CMAKE_DL_LIBS})
  set(CURSES_NEED_NCURSES TRUE)
  find_package(Curses)
endif()

if(CURSES_FOUND)
  add_library(kestrane_play_terminal OBJECT ${KESTRANE_PLAY_TERMINAL_SOURCES})
  target_include_directories(kestrane_play_terminal PRIVATE ${CURSES_INCLUDE_DIRS})
  target_link_libraries(kestrane_play_terminal PUBLIC kestrane_sim_core ${CURSES_LIBRARIES})
  # kestrane-sim's main offers play where the terminal is built.
  target_compile_definitions(kestrane_play_terminal PUBLIC KESTRANE_HAVE_PLAY)
  target_link_libraries(kestrane_play_terminal PRIVATE kestrane_flags)
endif()
