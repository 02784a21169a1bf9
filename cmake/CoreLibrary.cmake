# The simulated host's core as a library of its own, kestrane-core.dll: everything of the simulated
# host but its host API, with the entries that bind it and run its command line. The test host
# orbiter.exe of the real host's ABI (cmake/RealHost.cmake, in a Visual C++ ABI build) brings the
# host API built in that ABI, loads this library beside it and runs kestrane-sim's command line in it.
add_library(kestrane-core SHARED ${KESTRANE_CORE_LIBRARY_SOURCES})
target_link_libraries(kestrane-core PRIVATE kestrane_sim_core)
set_target_properties(kestrane-core PROPERTIES PREFIX "")
target_link_libraries(kestrane-core PRIVATE kestrane_flags)
