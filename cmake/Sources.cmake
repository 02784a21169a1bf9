# Which sources make which library: a library is a folder, or files named one by one where a folder
# holds more than one part (sim/api: the core's table of calls, the host API adapter and the two
# ways of binding them). The libraries themselves are made in cmake/SimulatedHost.cmake and
# cmake/RealHost.cmake.

# The scenario block's format (tetherblock/): plain C++ with no host call, which the plug-in and
# every host that reads the block compile in their own ABI. Absolute paths: the real host's
# recorder module names them from its own folder.
file(GLOB KESTRANE_TETHERBLOCK_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tetherblock/*.cpp)

# The plug-in (plugin/, a folder a concern). Its code includes only the host's SDK headers
# ("Orbitersdk.h": here the declarations in host/, or the host's own SDK), its own headers and the
# block's, each from the project's top ("plugin/tether/TetherLink.h").
file(GLOB KESTRANE_PLUGIN_SOURCES CONFIGURE_DEPENDS plugin/*/*.cpp)

# The simulated host's core: the world, scenario files, the display host and its surfaces, runs,
# the command line, play's logic, and the table of calls that the host API forwards to.
file(GLOB KESTRANE_SIM_CORE_SOURCES CONFIGURE_DEPENDS sim/world/*.cpp sim/scenario/*.cpp sim/display/*.cpp
     sim/run/*.cpp sim/cli/*.cpp sim/play/*.cpp)
list(APPEND KESTRANE_SIM_CORE_SOURCES sim/api/CoreCalls.cpp)

# The host API that modules link against, each function a forward to the core's table
# (sim/api/CoreInterface.h): built in the ABI of each host that exports it.
set(KESTRANE_ADAPTER_SOURCES sim/api/HostApi.cpp sim/api/Mfd.cpp sim/api/ScenarioCalls.cpp)

# The adapter and the core bound in one program (kestrane-sim, the tests), or the core as a library
# of its own (kestrane-core.dll) that a host of another ABI binds at start-up and whose command
# line it runs.
set(KESTRANE_STATIC_BINDING_SOURCES sim/api/StaticBinding.cpp)
set(KESTRANE_CORE_LIBRARY_SOURCES sim/api/CoreLibrary.cpp sim/main/CoreEntry.cpp)

# The programs: kestrane-sim's main, play's terminal (curses), and the test host of the real
# host's ABI.
set(KESTRANE_SIM_MAIN_SOURCES sim/main/Main.cpp)
file(GLOB KESTRANE_PLAY_TERMINAL_SOURCES CONFIGURE_DEPENDS sim/play/terminal/*.cpp)
set(KESTRANE_ORBITER_MAIN_SOURCES sim/orbiter/OrbiterMain.cpp)
