// A scenario's ships as the world's vessels, and the world as a scenario again: the central body,
// each ship's class data, orbits given by elements, docked assemblies, and the ships the world does
// not simulate but carries as read.
#pragma once

#include <vector>

#include "sim/scenario/ScenarioFile.h"
#include "sim/scenario/VesselClasses.h"

namespace sim {

class World;

// Which of a scenario's ships the world simulates. The central body is the focus ship's (or, when
// the focus ship gives no STATUS, the first ship's that does); ships without STATUS fly in the
// global frame, whose origin is that body. Landed ships, ships orbiting another body and ships
// attached to a parent are carried: not simulated, written back exactly as read.
struct ScenarioPlan {
  const Body *body = nullptr;   // null: free space (with GRAVITY's body at the origin, if given)
  std::vector<bool> simulated;  // one per ship, in the scenario's order
  size_t Carried() const;
};

// ScenarioError naming the file and line when the central body is not known here, or GRAVITY is
// given besides it.
ScenarioPlan PlanScenario(const Scenario &scenario);

// ScenarioError naming the file when it has no ship at all (an empty file among others): a run
// of it would show nothing.
void RequireShips(const Scenario &scenario);

// Creates every simulated ship in `world` and sets its step, central body and focus (the focus
// ship, or the first simulated one when the focus ship is carried). A ship's mass, inertia and
// docking ports come from its own MASS, PMI and DOCK lines, then from its class (`classes`), its
// tanks from the class, filled as PRPLEVEL or FUEL say (full otherwise). Docked ships are placed
// where their ports meet, from the first of them that gives its own state, and move as one
// assembly. ScenarioError naming the file and line, with the world untouched, for a ship whose
// class is known nowhere, a state or docking that cannot be, or a name already taken in the world.
ScenarioPlan PopulateWorld(const Scenario &scenario, World &world, VesselClasses &classes);
// The same with the stock classes only.
ScenarioPlan PopulateWorld(const Scenario &scenario, World &world);

// The world's step, focus and vessels as a scenario. With `loaded` (the scenario the world was
// populated from), everything else is taken from it: its lines and layout, its carried ships as
// read, its display blocks (to be replaced by the caller where a display wrote anew), and its date
// moved on by the world's time. A simulated ship's RPOS, RVEL, AROT, VROT and PRPLEVEL follow its
// vessel (ELEMENTS and FUEL become RPOS, RVEL and PRPLEVEL); numbers that still give the vessel's
// state exactly are kept as they were read, so a save right after a load writes the file it read.
Scenario CaptureWorld(const World &world, const Scenario *loaded = nullptr);

}  // namespace sim
