# The simulated host and the plug-in as its module, made of libraries (cmake/Sources.cmake):
#   kestrane_tetherblock  static library: the scenario block's format, for the plug-in and the host
#   kestrane_plugin    objects: the plug-in's code, compiled once for the module and the unit tests
#                      (on Windows the module compiles its own, importing the host API)
#   kestrane_sim_core  objects: the simulated host but for its host API
#   kestrane_adapter   objects: the host API, forwarding to the core
#   kestrane_binding   objects: adapter and core bound in one program
#   kestrane_host      static library: core, adapter and binding, for the tests, benchmarks and
#                      fuzz programs
# and made from them:
#   kestrane-sim       the program: its main, play's terminal, core, adapter and binding; it exports
#                      the host API, as the real host's program does
#   kestrane           the plug-in module, linked against kestrane-sim as a real plug-in links
#                      against its host
#   kestrane-core      on Windows, the core, its binding and its command line's entry as a library
#                      of its own, for the test host of the real host's ABI (cmake/CoreLibrary.cmake)

add_library(kestrane_tetherblock STATIC ${KESTRANE_TETHERBLOCK_SOURCES})
target_include_directories(kestrane_tetherblock PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(kestrane_tetherblock PRIVATE kestrane_flags)

add_library(kestrane_plugin OBJECT ${KESTRANE_PLUGIN_SOURCES})
target_include_directories(kestrane_plugin PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/host)
target_link_libraries(kestrane_plugin PUBLIC kestrane_tetherblock)
target_link_libraries(kestrane_plugin PRIVATE kestrane_flags)

add_library(kestrane_sim_core OBJECT ${KESTRANE_SIM_CORE_SOURCES})
add_library(kestrane_adapter OBJECT ${KESTRANE_ADAPTER_SOURCES})
add_library(kestrane_binding OBJECT ${KESTRANE_STATIC_BINDING_SOURCES})
foreach(library kestrane_sim_core kestrane_adapter kestrane_binding)
  target_include_directories(${library} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/host)
  target_link_libraries(${library} PRIVATE kestrane_flags)
endforeach()
target_link_libraries(kestrane_sim_core PUBLIC kestrane_tetherblock)
target_link_libraries(kestrane_binding PUBLIC kestrane_sim_core kestrane_adapter)
# kestrane-sim --version
target_compile_definitions(kestrane_sim_core PRIVATE KESTRANE_VERSION="${PROJECT_VERSION}")
include(cmake/HostPlatform.cmake)
include(cmake/ReplayPage.cmake)

add_library(kestrane_host STATIC)
target_link_libraries(kestrane_host PUBLIC kestrane_sim_core kestrane_adapter kestrane_binding)
target_link_libraries(kestrane_host PRIVATE kestrane_flags)

add_executable(kestrane-sim ${KESTRANE_SIM_MAIN_SOURCES})
set_target_properties(kestrane-sim PROPERTIES ENABLE_EXPORTS ON)
target_link_libraries(kestrane-sim PRIVATE kestrane_sim_core kestrane_adapter kestrane_binding)
if(TARGET kestrane_play_terminal)
  target_link_libraries(kestrane-sim PRIVATE kestrane_play_terminal)
endif()
target_link_libraries(kestrane-sim PRIVATE kestrane_flags)

add_library(kestrane MODULE)
if(WIN32)
  # A Windows module imports the host API from the host's program (dllimport), which a program
  # that links the host in, as the tests do, cannot give it: there the module's own copy of the
  # plug-in's objects is compiled with the imports, and kestrane_plugin without.
  add_library(kestrane_plugin_imports OBJECT ${KESTRANE_PLUGIN_SOURCES})
  target_include_directories(kestrane_plugin_imports PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/host)
  target_compile_definitions(kestrane_plugin_imports PRIVATE KESTRANE_HOST_IMPORTS)
  target_link_libraries(kestrane_plugin_imports PUBLIC kestrane_tetherblock)
  target_link_libraries(kestrane_plugin_imports PRIVATE kestrane_flags)
  target_link_libraries(kestrane PRIVATE kestrane_plugin_imports kestrane-sim)
else()
  target_link_libraries(kestrane PRIVATE kestrane_plugin kestrane-sim)
endif()
set_target_properties(kestrane PROPERTIES PREFIX "")
target_link_libraries(kestrane PRIVATE kestrane_flags)

if(WIN32)
  set_target_properties(kestrane PROPERTIES OUTPUT_NAME Kestrane)
  # The module imports the host API from the host's program, which exports it.
  target_compile_definitions(kestrane_sim_core PUBLIC KESTRANE_HOST_EXPORTS)
  target_compile_definitions(kestrane_adapter PUBLIC KESTRANE_HOST_EXPORTS)
  # Installed as in a host installation: the module under Modules/Plugin, the example scenarios
  # under Scenarios/Kestrane (the textures under Textures: tools/).
  install(TARGETS kestrane LIBRARY DESTINATION Modules/Plugin)
  install(DIRECTORY scenarios/ DESTINATION Scenarios/Kestrane FILES_MATCHING PATTERN "*.scn")
  include(cmake/CoreLibrary.cmake)
else()
  # The module exports its entry points only, as the Windows DLL does; its own functions then call
  # each other directly rather than through the symbol table.
  set_target_properties(kestrane_plugin kestrane_tetherblock PROPERTIES C_VISIBILITY_PRESET hidden
                        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  # A release build of the host and the module is optimised across source files (link-time
  # optimisation): the host's frame and the calls between its parts are inlined where they meet.
  include(CheckIPOSupported)
  check_ipo_supported(RESULT KESTRANE_IPO LANGUAGES CXX)
  if(KESTRANE_IPO)
    set_target_properties(kestrane_tetherblock kestrane_plugin kestrane_sim_core kestrane_adapter kestrane_binding kestrane_host kestrane-sim
                          kestrane PROPERTIES INTERPROCEDURAL_OPTIMIZATION_RELEASE ON)
  endif()
endif()
