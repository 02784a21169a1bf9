# The simulated host's core as a library of its own, kestrane-core.dll: everything of the simulated
# host but its host API. The test host orbiter.exe of the real host's ABI (cmake/RealHost.cmake, in a
# Visual C++ ABI build) brings the host API built in that ABI, loads this library beside it and
# runs kestrane-sim's command line in it. The library is made of kestrane-sim's objects but for the
# host API and the binding of the two halves in one program.
set(adapter_objects "sim/api/(HostApi|Mfd|ScenarioCalls|StaticBinding)\\.cpp\\.obj$")
add_library(kestrane-core SHARED "$<FILTER:$<TARGET_OBJECTS:kestrane_host>,EXCLUDE,${adapter_objects}>"
                                 sim/api/CoreLibrary.cpp sim/cli/CoreEntry.cpp)
set_target_properties(kestrane-core PROPERTIES PREFIX "")
target_include_directories(kestrane-core PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/host)
# The libraries the simulated host links (GDI, zlib for the replay page).
target_link_libraries(kestrane-core PRIVATE $<TARGET_PROPERTY:kestrane_host,INTERFACE_LINK_LIBRARIES>)
kestrane_flags(kestrane-core)
