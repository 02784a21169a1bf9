// The parts of the interactive terminal (`kestrane-sim play`) that need no terminal: what a typed
// key means, the time acceleration and the pacing of fixed steps against the wall clock, the
// screen's layout, colours and texts, and where the scenario is saved on leaving.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/OrbiterAPI.h"

namespace sim {

// The simulator's own controls. Everything else typed goes to the display.
enum class PlayControl { None, Quit, Pause, NextFocus, PreviousFocus, Slower, Faster, DeleteFocus, Keys };

constexpr int escapeCharacter = 27;

// What a typed character means to the simulator: Space pauses, Tab moves the focus to the next
// vessel, q (either case) and Esc quit, ? and h (either case) show every key. None for every
// other character; the arrow and function keys are the terminal's business and are mapped where
// it is read.
PlayControl ControlForCharacter(int ch);

// The scan code of the key a character is typed with on a US keyboard: digits, letters in either
// case, and the punctuation keys with or without Shift ('-' and '_' both give OAPI_KEY_MINUS).
// Nothing for the simulator's own keys (q, h, ?, Space, Tab, Esc) and for characters no key of the
// display's set produces.
std::optional<DWORD> ScanCodeForCharacter(int ch);

// The question the Delete key asks before the focus vessel goes, and what answers it: y or Y
// deletes, every other key keeps the vessel.
std::string DeletionQuestion(const std::string &vessel);
bool ConfirmsDeletion(int ch);

// Time acceleration in powers of two, 1/8 to 64.
class TimeAcceleration {
public:
  static constexpr int slowest = -3;  // 1/8
  static constexpr int fastest = 6;   // 64

  // Simulated seconds per second of wall time.
  double Factor() const;
  // One power of two up or down; false, unchanged, at the bound.
  bool Faster();
  bool Slower();
  // "1/8", "1/2", "1", "64".
  std::string Label() const;

private:
  int exponent = 0;
};

// Turns wall time into frames of the fixed step: a higher acceleration runs more steps per second
// of wall time, never longer ones. The part of a step not yet due carries to the next call.
class Pacer {
public:
  // step: s of simulated time per frame. maxGap: s of wall time; a longer gap between two calls
  // (the process was stopped, the machine stalled) counts as this much, so that the run does not
  // race to catch up.
  explicit Pacer(double step, double maxGap = 0.25);

  // The frames due after `wall` seconds of wall time at `factor` simulated seconds per wall second.
  // A caller that cannot run them all in its frame budget drops the rest: they are not owed again.
  long FramesFor(double wall, double factor);

private:
  double step;
  double maxGap;
  double owed = 0;  // s of simulated time due but less than a step
};

// The simulated seconds per wall second actually achieved, over a window of wall time.
class RateMeter {
public:
  explicit RateMeter(double window = 1.0);
  // A sample: wall clock and simulated time, both in seconds; wall times increase.
  void Add(double wall, double simTime);
  // Nothing until the samples span half a window.
  std::optional<double> Rate() const;
  // Forgets the samples (after a pause or a change of acceleration).
  void Reset();

private:
  struct Sample {
    double wall, simTime;
  };
  double window;
  std::vector<Sample> samples;
};

// Where each part of the screen goes, in terminal cells. The display sits at the top left, with
// a column of button labels on each side when asked for and the terminal is wide enough; the
// panel of the vessel list and the key legend (or the scenario's description) beside it when the
// terminal is wide enough, else below it; the status line and the key help at the bottom.
struct PlayLayout {
  bool fits = false;
  int needColumns = 0, needRows = 0;  // the smallest terminal that fits, for the message
  int displayTop = 0, displayLeft = 0, displayColumns = 0, displayRows = 0;
  // The button labels' columns, left and right of the display; labelWidth is 0 when none show.
  int labelWidth = 0, leftLabelsColumn = 0, rightLabelsColumn = 0;
  int vesselsTop = 0, vesselsLeft = 0, vesselsColumns = 0, vesselsRows = 0;  // the whole panel
  int statusRow = 0, helpRow = 0;
};

// The display's size in character cells: all of its rows when they fit, at least the rows it draws.
struct DisplayCells {
  int columns = 40;
  int rows = 25;
  int rowsNeeded = 22;
  // Characters of a button label; 0: the display has none to show beside it.
  int labelWidth = 0;
};

PlayLayout LayoutFor(int columns, int rows, const DisplayCells &display, size_t vesselCount);

// How the panel's rows are shared between the vessel list (its header included) and a text below
// it (the legend or the description) after a blank row: the text gets its lines while the list
// keeps its header and up to three vessels; the list gets the rest.
struct PanelSplit {
  int listRows = 0;
  int textTop = 0;  // rows from the panel's top
  int textRows = 0;
};
PanelSplit SplitPanel(int rows, size_t vesselCount, int textLines);

// "Terminal too small: need 72x24, have 50x20".
std::string TooSmallMessage(const PlayLayout &layout, int columns, int rows);

// The nearest of the eight basic terminal colours (0 black, 1 red, 2 green, 3 yellow, 4 blue,
// 5 magenta, 6 cyan, 7 white), in its normal or bright form, to a colour value 0x00BBGGRR.
struct BasicColour {
  int index = 0;
  bool bright = false;
};
BasicColour NearestBasicColour(COLORREF colour);
// The nearest colour of the 256-colour palette's cube and grey ramp (16 .. 255).
int NearestPaletteColour(COLORREF colour);

// A length or distance in metres below 10 km, else in kilometres: "1500.0 m", "12.345 km".
std::string FormatDistance(double metres);
// "0.00 m/s", "7.712 km/s".
std::string FormatSpeed(double metresPerSecond);

struct VesselRow {
  std::string name;
  double distance = 0;  // m from the focus vessel
  // m/s relative to the focus vessel: what a pilot flies by, where orbital speeds of 7.7 km/s
  // tell nothing about a tether.
  double speed = 0;
  bool focus = false;
};
// One line of the vessel list, exactly `width` characters: a marker for the focus vessel, the
// name (cut to fit) and the right-aligned distance and relative speed; dashes for the focus
// vessel itself.
std::string VesselLine(const VesselRow &row, int width);
std::string VesselHeader(int width);
// Which vessels a list of `lines` lines shows: all when they fit; else `lines` − 1 of them, the
// focus vessel (index `focus`) among them, and a last line saying how many more there are; a
// single line shows the focus vessel.
struct ListWindow {
  size_t first = 0, shown = 0;
  bool more = false;
};
ListWindow VesselWindow(size_t count, int lines, size_t focus);
// The last line when the list is cut: "  ... 3 more".
std::string MoreVesselsLine(size_t hidden, int width);

struct PlayStatus {
  std::string scenario;                // the file's name
  double time = 0;                     // s of simulated time
  std::string acceleration;            // TimeAcceleration::Label()
  std::optional<double> actualFactor;  // measured, when it falls short of the acceleration
  bool paused = false;
  std::string note;  // the last key's effect
};
// The status line, cut to `width`.
std::string StatusLine(const PlayStatus &status, int width);
// The keys of the simulator, in the words that fit `width`.
std::string HelpLine(int width);

// `text` in lines of at most `width` characters, broken at blanks (a word longer than a line is
// cut). A line end inside a paragraph is a blank; an empty line starts a new paragraph.
std::vector<std::string> WrapText(const std::string &text, int width);

// The panel's text before the first key: the scenario's description, headed by its file name.
std::vector<std::string> DescriptionLines(const std::string &scenarioName, const std::string &description, int width);

// Saves land in the working folder, never beside the scenario: that may be the project's own
// examples or the host's scenario folder. "dir/tug.scn" gives "tug-saved.scn"; a name without
// ".scn" gets "-saved.scn" appended. A scenario saved this way saves to its own name again
// ("tug-saved.scn"), which the user is asked to confirm, rather than to ever longer names.
std::string DefaultSavePath(const std::string &scenarioPath);

// Where `play` offers to write the session's replay page: "dir/tug.scn" gives "tug-replay.html",
// in the working folder.
std::string DefaultReplayPath(const std::string &scenarioPath);

// The answer to "Save scenario to <default>? [Enter: yes, n: no, or a path]": empty or "y"/"yes"
// saves to the default path, "n"/"no" declines (any case), a path ending in `extension` (any
// case) is where to save, and a path ending in a slash is a folder to save the default's name in.
// Anything else ("nn", "nope", "out") is unclear: nothing is saved, the caller asks again (or
// takes an existing folder's name as the folder). Blanks around the answer are dropped.
struct SaveChoice {
  enum class Kind { Default, Path, Decline, Unclear } kind = Kind::Unclear;
  std::string path;  // Default, Path: where to save; Unclear: the answer as typed, trimmed
};
SaveChoice ReadSaveAnswer(const std::string &answer, const std::string &defaultPath, const std::string &extension);
// `folder` joined with the file name of `defaultPath`.
std::string InFolder(const std::string &folder, const std::string &defaultPath);

}  // namespace sim
