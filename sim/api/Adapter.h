// Inside the adapter: the core it forwards to, and the pieces of its own table that live apart
// from the table.
#pragma once

#include "sim/api/CoreInterface.h"

// The interface object of a core vessel, made and deleted in the adapter's ABI.
void *NewVesselInterface(void *vessel);
void DeleteVesselInterface(void *vesselInterface);
