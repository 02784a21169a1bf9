// Everything a plug-in includes to talk to the host.
#pragma once

#include "OrbiterAPI.h"
#include "VesselAPI.h"
#include "MFDAPI.h"
