// The texts of `kestrane-sim play`'s screen beside the display: the vessel list, the status and
// key lines, and the scenario's description.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// A length or distance in metres below 10 km, else in kilometres: "1500.0 m", "12.345 km".
std::string FormatDistance(double metres);
// "0.00 m/s", "7.712 km/s".
std::string FormatSpeed(double metresPerSecond);

// The vessel list's columns, characters: the focus marker, the name (at least), the distance and
// the relative speed, with a blank before each of the last two.
constexpr int vesselMarkerWidth = 2;
constexpr int vesselNameMinWidth = 8;
constexpr int vesselDistanceWidth = 12;
constexpr int vesselSpeedWidth = 13;
constexpr int vesselLineMinWidth =
    vesselMarkerWidth + vesselNameMinWidth + 1 + vesselDistanceWidth + 1 + vesselSpeedWidth;

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
// The status line, cut to `width`; `withHelp` for a terminal with no row for the key help: the
// status, then the longest form of the help that fits beside it.
std::string StatusLine(const PlayStatus &status, int width, bool withHelp = false);
// The keys of the simulator, in the words that fit `width`.
std::string HelpLine(int width);

// `text` in lines of at most `width` characters, broken at blanks (a word longer than a line is
// cut). A line end inside a paragraph is a blank; an empty line starts a new paragraph.
std::vector<std::string> WrapText(const std::string &text, int width);

// The panel's text before the first key: the scenario's description, headed by its file name.
std::vector<std::string> DescriptionLines(const std::string &scenarioName, const std::string &description, int width);

}  // namespace sim
