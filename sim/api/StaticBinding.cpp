// Both halves of the host in one program (kestrane-sim, the tests): each finds the other's table
// at once.
#include "sim/api/CoreInterface.h"
#include "sim/run/ModuleLoader.h"

const KestraneCore *kestraneCore = &kestraneCoreTable;
const KestraneAdapter *kestraneAdapter = &kestraneAdapterTable;

namespace sim {

HostGeneration DefaultHostGeneration() { return HostGeneration::Classic; }

}  // namespace sim
