// A scenario as the simulated host holds it: the description, the environment (the date; the
// simulated host's own step and optional central body at the origin), the focus vessel, the
// display blocks with the plug-in's lines, the ships and the plug-in modules' blocks, with what it
// does not read kept as read, in its place (ScenarioFile.h reads and writes them).
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/scenario/Orbit.h"
#include "sim/world/SimTime.h"
#include "sim/world/Vec3.h"
#include "sim/world/Vessel.h"

namespace sim {

// A file that cannot be read or written; the message names the file, the line and the problem,
// e.g. "tug.scn:12: MASS needs one number".
class ScenarioError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A line as read: its first word (empty for a blank or comment line) and its text without the
// line end.
struct TextLine {
  std::string key;
  std::string text;
};

// One BEGIN_MFD … END_MFD block.
struct DisplayBlock {
  std::string position;            // "Left", "Right", …
  std::string type = "User";       // the TYPE line
  std::string mode;                // the MODE line: the display mode's name; empty when absent
  std::vector<std::string> lines;  // the lines after TYPE and MODE up to END_MFD, verbatim
  // The file's line number of each of `lines`, for messages; 0 for a line not read from the file.
  std::vector<size_t> lineNumbers;
  // The block as read, BEGIN_MFD to END_MFD; written back as it stands while not empty.
  std::vector<std::string> raw;
};

// One BEGIN_<name> … END block of a plug-in module: the state the module saved, which it reads
// itself. The host ends it, as it ends a ship, at a line that is END without regard to case.
struct ModuleBlock {
  std::string name;                // after BEGIN_: the module's name
  std::vector<std::string> lines;  // between the BEGIN_ line and END, verbatim
  // The block as read, BEGIN_ to END; written back as it stands while not empty.
  std::vector<std::string> raw;
};

enum class ShipStatus { None, Orbiting, Landed };

// A PRPLEVEL entry: tank `tank` filled to `level` (0 .. 1) of its capacity.
struct TankLevel {
  size_t tank = 0;
  double level = 1;
};

// A DOCKINFO entry: this ship's port `port` is docked to port `otherPort` of ship `other`.
struct DockInfo {
  size_t port = 0;
  size_t otherPort = 0;
  std::string other;
};

// One ship of BEGIN_SHIPS.
struct ShipState {
  std::string name;
  std::string className;  // the name itself when the header names no class
  size_t line = 0;        // the header's line, for messages

  // The simulated host's own class lines; a line not given leaves it to the class.
  std::optional<double> mass;                // MASS: kg, empty
  std::optional<Vec3> pmi;                   // PMI: principal moments of inertia per unit mass, m^2
  std::vector<DockingPort> docks;            // DOCK lines; none: the class's ports
  std::vector<AttachmentPoint> attachments;  // ATTACH lines

  ShipStatus status = ShipStatus::None;  // STATUS; None: our own free-space ship
  std::string body;                      // the body of STATUS, as written
  std::optional<Vec3> rpos;              // RPOS: m, from the central body (the global frame)
  std::optional<Vec3> rvel;              // RVEL: m/s
  std::optional<Elements> elements;      // ELEMENTS, instead of RPOS and RVEL
  std::optional<Vec3> arot;              // AROT: degrees (HostAngles.h)
  std::optional<Vec3> vrot;              // VROT: deg/s (HostAngles.h)
  std::vector<TankLevel> levels;         // PRPLEVEL
  std::optional<double> fuel;            // FUEL (old files): the first tank's level
  std::vector<DockInfo> dockInfo;        // DOCKINFO
  size_t dockInfoLine = 0;
  bool attached = false;  // ATTACHED to a parent vessel

  // The ship as written: the blank and comment lines before its header, the header, every line
  // up to END (each as read, a vessel module's own sub-blocks such as "END INTERNAL" among them)
  // and END. An empty header: made in code, written in the standard form.
  std::vector<std::string> before;
  std::string header;
  std::vector<TextLine> lines;
  std::string end;
  // Written back exactly as read: the world does not simulate it.
  bool carried = false;
};

// What the reader took in place of what a line leaves out, for the user to hear of when the file
// loads: "Date MJD gives no date: the current date is taken, MJD 61017.09410".
struct ScenarioNote {
  size_t line = 0;
  std::string text;
};

struct Scenario {
  std::string source;             // the file's name in messages
  std::string description;        // the lines between BEGIN_DESC and END_DESC, joined by '\n'
  double step = defaultStep;      // s
  std::optional<double> gravity;  // GRAVITY: GM of a central body at the origin, m^3/s^2
  std::optional<double> date;     // Date MJD: the date at the simulated time `time` (or 0)
  // SIMTIME: the simulated clock when the file was saved, s, so that a run resumed from it goes on
  // where the run that saved it stopped; none: 0.
  std::optional<double> time;
  std::string focus;  // the focus ship's name; empty: the first ship
  std::vector<DisplayBlock> displays;
  std::vector<ShipState> ships;
  std::vector<ModuleBlock> modules;       // in the file's order; new ones are written after the ships
  size_t gravityLine = 0, focusLine = 0;  // for messages
  std::vector<ScenarioNote> notes;        // in the file's order

  // How the file was laid out, for writing it back in place: its lines outside the known
  // sections, and where each section stood. Empty for a scenario made in code, which is written
  // in the standard form.
  struct Piece {
    enum class Kind { Text, Environment, Focus, Display, Ships, Module } kind = Kind::Text;
    std::string text;    // Text: the line
    size_t display = 0;  // Display, Module: the block's index
  };
  std::vector<Piece> layout;
  std::vector<TextLine> environment;      // BEGIN_ENVIRONMENT to END_ENVIRONMENT, as read
  std::vector<TextLine> focusBlock;       // BEGIN_FOCUS to END_FOCUS, as read
  std::string shipsOpen, shipsClose;      // BEGIN_SHIPS and END_SHIPS, as read
  std::vector<std::string> shipsTrailer;  // blank and comment lines before END_SHIPS
  std::string lineEnd = "\n";             // "\r\n" for a file read with them
};

// The date of a scenario without a Date line, MJD (2000 January 1, 12:00).
constexpr double defaultDate = 51544.5;
constexpr double secondsPerDay = 86400;

// The date now, MJD, on the host's time scale: the system clock's UTC, whole seconds, moved on by the
// 66.184 s the host adds to it.
double CurrentDate();

// The date at simulated time `time` (s) in a run of `scenario`, MJD: its Date at its SIMTIME, or
// the default date at time 0.
double DateAt(const Scenario &scenario, double time);

// What a display's ReadStatus is handed: the plug-in's lines, then the "END_MFD" line.
std::vector<std::string> LinesForReader(const DisplayBlock &block);
// What a module's opcLoadState is handed: its lines, then the "END" line.
std::vector<std::string> LinesForReader(const ModuleBlock &block);
// The first block of the module of that name (compared without regard to case), or null.
ModuleBlock *FindModuleBlock(Scenario &scenario, const std::string &name);
const ModuleBlock *FindModuleBlock(const Scenario &scenario, const std::string &name);

}  // namespace sim
