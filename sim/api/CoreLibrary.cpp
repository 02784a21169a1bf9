// The core as a library of its own (kestrane-core.dll), for a host API built in another C++ ABI: the
// test host orbiter.exe binds its adapter here at start-up and then runs the command line
// (KestraneRun, kestrane-sim's main), as the modern host that it stands in for.
#include "sim/api/CoreInterface.h"
#include "sim/run/ModuleLoader.h"

const KestraneAdapter *kestraneAdapter = nullptr;

extern "C" __declspec(dllexport) const KestraneCore *KestraneBind(const KestraneAdapter *adapter) {
  kestraneAdapter = adapter;
  return &kestraneCoreTable;
}

namespace sim {

HostGeneration DefaultHostGeneration() { return HostGeneration::Modern; }

}  // namespace sim
