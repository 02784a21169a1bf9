// Scenario files of the simulated host: the description, the environment (step, optional central
// body), the focus vessel, the display blocks with the plug-in's lines, and the ships.
//
// Orientation (AROT) is three angles in degrees (a, b, c) with global = R · local and
// R = Rx(a) · Ry(b) · Rz(c), each a right-handed rotation about a global axis: a vessel is turned
// about z first, then y, then x. Spin (VROT) is the angular velocity in the vessel frame, deg/s.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/world/Vec3.h"
#include "sim/world/Vessel.h"

namespace sim {

class World;

// A file that cannot be read or written; the message names the file, the line and the problem,
// e.g. "tug.scn:12: MASS needs one number".
class ScenarioError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// One BEGIN_MFD … END_MFD block.
struct DisplayBlock {
  std::string position;            // "Left", "Right", …
  std::string type = "User";       // the TYPE line
  std::string mode;                // the MODE line: the display mode's name; empty when absent
  std::vector<std::string> lines;  // the plug-in's lines between MODE and END_MFD, verbatim
};

// One ship of BEGIN_SHIPS.
struct ShipState {
  std::string name;
  std::string className = "Generic";
  double mass = 1000;  // kg, dry
  Vec3 pmi{1, 1, 1};   // principal moments of inertia per unit mass, m^2
  Vec3 rpos;           // global position, m
  Vec3 rvel;           // global velocity, m/s
  Vec3 arot;           // orientation angles, degrees (see the top of this file)
  Vec3 vrot;           // angular velocity in the vessel frame, deg/s
  std::vector<DockingPort> docks;
  std::vector<AttachmentPoint> attachments;
};

struct Scenario {
  std::string description;        // the lines between BEGIN_DESC and END_DESC, joined by '\n'
  double step = 0.02;             // s
  std::optional<double> gravity;  // GM of a central body at the origin, m^3/s^2
  std::optional<double> mjd;      // the date (Date MJD), modified Julian date; none: simulated time 0
  std::string focus;              // the focus ship's name; empty: the first ship
  std::vector<DisplayBlock> displays;
  std::vector<ShipState> ships;
};

// The whole text parsed, or ScenarioError naming `sourceName`, the line and the problem. Nothing
// is returned from a text with any fault.
Scenario ParseScenario(const std::string &text, const std::string &sourceName);
// Reads and parses a file; ScenarioError when it cannot be read or is malformed.
Scenario LoadScenarioFile(const std::string &path);

// The scenario as file text; real numbers in the shortest form that reads back exactly.
std::string FormatScenario(const Scenario &scenario);
// Writes a temporary file beside `path` and renames it over `path` once complete and read back;
// on any failure (ScenarioError) the old file at `path` is untouched. `durable` waits until the
// file and its name are on the disk.
void SaveScenarioFile(const std::string &path, const Scenario &scenario, bool durable = false);

// Creates every ship in `world` and sets its step, central body, focus and time (from the date).
// ScenarioError, with the world untouched, when a ship's name is already taken there.
void PopulateWorld(const Scenario &scenario, World &world);
// The world's step, central body, focus, date and vessels as a scenario, with the description of
// `loaded`; display blocks are left to the caller. A ship of `loaded` (the scenario the world was
// populated from) lends its AROT and VROT numbers while the vessel's orientation and spin are
// still exactly what those numbers gave, so a save after a load writes the numbers it read.
Scenario CaptureWorld(const World &world, const Scenario *loaded = nullptr);

// The simulated time at a date, s. The date carries about a microsecond: a time within that of a
// whole number of steps of `step` (s) is taken to be exactly that many steps.
double TimeFromDate(double mjd, double step);
double DateFromTime(double time);

// What a display's ReadStatus is handed: the plug-in's lines, then the "END_MFD" line.
std::vector<std::string> LinesForReader(const DisplayBlock &block);

// Orientation angles (radians) to the rotation matrix and back; the angles come back with
// a and c in [−π, π] and b in [−π/2, π/2] (c = 0 when b is ±π/2).
Mat3 RotationFromAngles(Vec3 angles);
Vec3 AnglesFromRotation(const Mat3 &rotation);

}  // namespace sim
