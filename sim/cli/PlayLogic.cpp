#include "sim/cli/PlayLogic.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "sim/scenario/ScenarioText.h"
#include "sim/world/SimTime.h"

namespace sim {

namespace {

// The unshifted and shifted characters of each key the display's set can be typed with, on a US
// keyboard; letters are handled apart.
struct CharacterKey {
  char plain, shifted;
  DWORD code;
};

const CharacterKey characterKeys[] = {
    {'1', '!', OAPI_KEY_1},           {'2', '@', OAPI_KEY_2},        {'3', '#', OAPI_KEY_3},
    {'4', '$', OAPI_KEY_4},           {'5', '%', OAPI_KEY_5},        {'6', '^', OAPI_KEY_6},
    {'7', '&', OAPI_KEY_7},           {'8', '*', OAPI_KEY_8},        {'9', '(', OAPI_KEY_9},
    {'0', ')', OAPI_KEY_0},           {'-', '_', OAPI_KEY_MINUS},    {'=', '+', OAPI_KEY_EQUALS},
    {'[', '{', OAPI_KEY_LBRACKET},    {']', '}', OAPI_KEY_RBRACKET}, {';', ':', OAPI_KEY_SEMICOLON},
    {'\'', '"', OAPI_KEY_APOSTROPHE}, {'`', '~', OAPI_KEY_GRAVE},    {'\\', '|', OAPI_KEY_BACKSLASH},
    {',', '<', OAPI_KEY_COMMA},       {'.', '>', OAPI_KEY_PERIOD},   {'/', '?', OAPI_KEY_SLASH},
};

// Scan codes of the letters, A to Z: the keyboard's rows, not the alphabet.
const DWORD letterCodes[26] = {OAPI_KEY_A, OAPI_KEY_B, OAPI_KEY_C, OAPI_KEY_D, OAPI_KEY_E, OAPI_KEY_F, OAPI_KEY_G,
                               OAPI_KEY_H, OAPI_KEY_I, OAPI_KEY_J, OAPI_KEY_K, OAPI_KEY_L, OAPI_KEY_M, OAPI_KEY_N,
                               OAPI_KEY_O, OAPI_KEY_P, OAPI_KEY_Q, OAPI_KEY_R, OAPI_KEY_S, OAPI_KEY_T, OAPI_KEY_U,
                               OAPI_KEY_V, OAPI_KEY_W, OAPI_KEY_X, OAPI_KEY_Y, OAPI_KEY_Z};

struct Rgb {
  int r, g, b;
};

Rgb FromColour(COLORREF colour) {
  return {static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
          static_cast<int>((colour >> 16) & 0xFF)};
}

int DistanceSquared(Rgb a, Rgb b) {
  return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

// The widths of the vessel list's columns.
constexpr int markerWidth = 2;
constexpr int distanceWidth = 12;
constexpr int speedWidth = 13;
constexpr int minNameWidth = 8;
constexpr int minVesselColumns = markerWidth + minNameWidth + 1 + distanceWidth + 1 + speedWidth;
// Blank columns between the display and the vessel list beside it.
constexpr int panelGap = 2;
// A blank column between the display and a column of its button labels.
constexpr int labelGap = 1;
// Vessels the list keeps in view before the text below it gets rows: the focus and two more.
constexpr int listKept = 3;
// The status line and the key help.
constexpr int bottomRows = 2;

std::string Fit(std::string text, int width) {
  if (width <= 0) return "";
  if (static_cast<int>(text.size()) > width) text.resize(width);
  return text + std::string(width - text.size(), ' ');
}

std::string Printf(const char *format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string RightAligned(const std::string &text, int width) {
  if (static_cast<int>(text.size()) >= width) return text;
  return std::string(width - text.size(), ' ') + text;
}

}  // namespace

PlayControl ControlForCharacter(int ch) {
  switch (ch) {
    case ' ':
      return PlayControl::Pause;
    case '\t':
      return PlayControl::NextFocus;
    case 'q':
    case 'Q':
    case escapeCharacter:
      return PlayControl::Quit;
    case '?':
    case 'h':
    case 'H':
      return PlayControl::Keys;
    default:
      return PlayControl::None;
  }
}

std::optional<DWORD> ScanCodeForCharacter(int ch) {
  if (ControlForCharacter(ch) != PlayControl::None) return std::nullopt;
  if (ch >= 'a' && ch <= 'z') return letterCodes[ch - 'a'];
  if (ch >= 'A' && ch <= 'Z') return letterCodes[ch - 'A'];
  for (const CharacterKey &key : characterKeys)
    if (ch == key.plain || ch == key.shifted) return key.code;
  return std::nullopt;
}

std::string DeletionQuestion(const std::string &vessel) { return "delete " + vessel + "? y/N"; }

bool ConfirmsDeletion(int ch) { return ch == 'y' || ch == 'Y'; }

double TimeAcceleration::Factor() const { return std::ldexp(1.0, exponent); }

bool TimeAcceleration::Faster() {
  if (exponent >= fastest) return false;
  ++exponent;
  return true;
}

bool TimeAcceleration::Slower() {
  if (exponent <= slowest) return false;
  --exponent;
  return true;
}

std::string TimeAcceleration::Label() const {
  if (exponent >= 0) return std::to_string(1L << exponent);
  return "1/" + std::to_string(1L << -exponent);
}

Pacer::Pacer(double stepLength, double longestGap) : step(stepLength), maxGap(longestGap) {}

long Pacer::FramesFor(double wall, double factor) {
  owed += std::clamp(wall, 0.0, maxGap) * factor;
  // A due time that is a whole number of steps but for rounding still counts whole.
  const double frames = std::floor(owed / step + timeSlack);
  owed = std::max(0.0, owed - frames * step);
  return static_cast<long>(frames);
}

RateMeter::RateMeter(double windowLength) : window(windowLength) {}

void RateMeter::Add(double wall, double simTime) {
  samples.push_back({wall, simTime});
  // Keep one sample at or before the window's start, so the rate spans the whole window.
  while (samples.size() > 2 && samples[1].wall <= wall - window) samples.erase(samples.begin());
}

std::optional<double> RateMeter::Rate() const {
  if (samples.size() < 2) return std::nullopt;
  const double span = samples.back().wall - samples.front().wall;
  if (span < window / 2) return std::nullopt;
  return (samples.back().simTime - samples.front().simTime) / span;
}

void RateMeter::Reset() { samples.clear(); }

PlayLayout LayoutFor(int columns, int rows, const DisplayCells &display, size_t vesselCount) {
  PlayLayout side;
  side.needColumns = display.columns + panelGap + minVesselColumns;
  side.needRows = display.rowsNeeded + bottomRows;
  if (columns >= side.needColumns && rows >= side.needRows) {
    side.fits = true;
    // The labels only where the vessel list keeps its width beside them.
    const int labels = display.labelWidth > 0 ? display.labelWidth + labelGap : 0;
    if (labels > 0 && columns >= side.needColumns + 2 * labels) {
      side.labelWidth = display.labelWidth;
      side.leftLabelsColumn = 0;
      side.displayLeft = labels;
      side.rightLabelsColumn = labels + display.columns + labelGap;
    }
    side.displayColumns = display.columns;
    side.displayRows = std::min(display.rows, rows - bottomRows);
    side.vesselsLeft = side.displayLeft + display.columns + (side.labelWidth > 0 ? labels : 0) + panelGap;
    side.vesselsColumns = columns - side.vesselsLeft;
    side.vesselsRows = rows - bottomRows;
    side.statusRow = rows - 2;
    side.helpRow = rows - 1;
    return side;
  }

  // Below the display: a blank row, the list's header and at least one vessel.
  PlayLayout stacked;
  stacked.needColumns = std::max(display.columns, minVesselColumns);
  stacked.needRows = display.rowsNeeded + 1 + 2 + bottomRows;
  if (columns >= stacked.needColumns && rows >= stacked.needRows) {
    stacked.fits = true;
    // Rows the whole list would not use go to the display's lower rows.
    const int listRows = 1 + static_cast<int>(std::min<size_t>(vesselCount, 1000));
    const int spare = rows - bottomRows - display.rowsNeeded - 1 - listRows;
    stacked.displayColumns = display.columns;
    stacked.displayRows = display.rowsNeeded + std::clamp(spare, 0, display.rows - display.rowsNeeded);
    stacked.vesselsTop = stacked.displayRows + 1;
    stacked.vesselsColumns = columns;
    stacked.vesselsRows = rows - bottomRows - stacked.vesselsTop;
    stacked.statusRow = rows - 2;
    stacked.helpRow = rows - 1;
    return stacked;
  }

  // Too small: name the size that needs the least growth from here.
  auto missing = [&](const PlayLayout &l) {
    return std::max(0, l.needColumns - columns) + std::max(0, l.needRows - rows);
  };
  return missing(stacked) < missing(side) ? stacked : side;
}

PanelSplit SplitPanel(int rows, size_t vesselCount, int textLines) {
  PanelSplit split;
  if (rows <= 0) return split;
  const int wanted = 1 + static_cast<int>(std::min<size_t>(vesselCount, static_cast<size_t>(rows)));
  const int kept = std::min(wanted, 1 + listKept);
  if (textLines <= 0) {
    split.listRows = std::min(wanted, rows);
    split.textTop = rows;
    return split;
  }
  // The text gives way to the kept vessels, the rest of the list to the text.
  split.textRows = std::clamp(rows - kept - 1, 0, textLines);
  if (split.textRows == 0) {
    split.listRows = std::min(wanted, rows);
    split.textTop = rows;
    return split;
  }
  split.listRows = std::min(wanted, rows - split.textRows - 1);
  split.textTop = split.listRows + 1;
  return split;
}

std::string TooSmallMessage(const PlayLayout &layout, int columns, int rows) {
  return "Terminal too small: need " + std::to_string(layout.needColumns) + "x" + std::to_string(layout.needRows) +
         ", have " + std::to_string(columns) + "x" + std::to_string(rows);
}

BasicColour NearestBasicColour(COLORREF colour) {
  // The usual terminal palette: the eight normal colours, then their bright forms.
  static const Rgb palette[16] = {{0, 0, 0},       {205, 0, 0},   {0, 205, 0},   {205, 205, 0},
                                  {0, 0, 238},     {205, 0, 205}, {0, 205, 205}, {229, 229, 229},
                                  {127, 127, 127}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                  {92, 92, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  const Rgb rgb = FromColour(colour);
  int best = 0;
  for (int i = 1; i < 16; ++i)
    if (DistanceSquared(rgb, palette[i]) < DistanceSquared(rgb, palette[best])) best = i;
  return {best % 8, best >= 8};
}

int NearestPaletteColour(COLORREF colour) {
  static const int levels[6] = {0, 95, 135, 175, 215, 255};
  const Rgb rgb = FromColour(colour);
  auto nearestLevel = [](int v) {
    int best = 0;
    for (int i = 1; i < 6; ++i)
      if (std::abs(levels[i] - v) < std::abs(levels[best] - v)) best = i;
    return best;
  };
  const int r = nearestLevel(rgb.r), g = nearestLevel(rgb.g), b = nearestLevel(rgb.b);
  const int cube = 16 + 36 * r + 6 * g + b;
  // The grey ramp 232 .. 255 runs from 8 to 238 in steps of 10.
  const int mean = (rgb.r + rgb.g + rgb.b) / 3;
  const int step = std::clamp((mean - 8 + 5) / 10, 0, 23);
  const int greyLevel = 8 + 10 * step;
  const Rgb cubeRgb{levels[r], levels[g], levels[b]}, greyRgb{greyLevel, greyLevel, greyLevel};
  return DistanceSquared(rgb, greyRgb) < DistanceSquared(rgb, cubeRgb) ? 232 + step : cube;
}

std::string FormatDistance(double metres) {
  return metres < 10000.0 ? Printf("%.1f m", metres) : Printf("%.3f km", metres / 1000.0);
}

std::string FormatSpeed(double metresPerSecond) {
  return metresPerSecond < 10000.0 ? Printf("%.2f m/s", metresPerSecond)
                                   : Printf("%.3f km/s", metresPerSecond / 1000.0);
}

std::string VesselLine(const VesselRow &row, int width) {
  const int nameWidth = std::max(0, width - markerWidth - 1 - distanceWidth - 1 - speedWidth);
  std::string line = row.focus ? "> " : "  ";
  line += Fit(row.name, nameWidth) + " " + RightAligned(row.focus ? "-" : FormatDistance(row.distance), distanceWidth) +
          " " + RightAligned(row.focus ? "-" : FormatSpeed(row.speed), speedWidth);
  return Fit(line, width);
}

std::string VesselHeader(int width) {
  const int nameWidth = std::max(0, width - markerWidth - 1 - distanceWidth - 1 - speedWidth);
  return Fit("  " + Fit("Vessel", nameWidth) + " " + RightAligned("Distance", distanceWidth) + " " +
                 RightAligned("Rel. speed", speedWidth),
             width);
}

ListWindow VesselWindow(size_t count, int lines, size_t focus) {
  ListWindow window;
  if (lines <= 0) return window;
  if (count <= static_cast<size_t>(lines)) {
    window.shown = count;
    return window;
  }
  // A single line shows the focus vessel rather than only the count of the others.
  if (lines == 1) {
    window.first = focus < count ? focus : 0;
    window.shown = 1;
    return window;
  }
  window.more = true;
  window.shown = static_cast<size_t>(lines - 1);
  if (focus < count && focus >= window.shown) window.first = focus - window.shown + 1;
  return window;
}

std::string MoreVesselsLine(size_t hidden, int width) {
  return Fit("  ... " + std::to_string(hidden) + " more", width);
}

std::string StatusLine(const PlayStatus &status, int width) {
  std::string line =
      " " + status.scenario + "   t = " + Printf("%.1f s", status.time) + "   time x" + status.acceleration;
  if (status.actualFactor) line += " (running at x" + Printf("%.3g", *status.actualFactor) + ")";
  if (status.paused) line += "   PAUSED";
  if (!status.note.empty()) line += "   " + status.note;
  return Fit(line, width);
}

std::string HelpLine(int width) {
  static const char *const forms[] = {
      (" Space pause  Tab next vessel  Left/Right or F1/F2 slower/faster  Del delete vessel  ? or h every key  "
       "q/Esc quit"),
      " Space pause  Tab vessel  Left/Right slower/faster  Del delete  ? every key  q quit",
      " Space pause  Tab vessel  Left/Right time  Del delete  ? keys  q quit",
      " Space pause  Tab vessel  L/R time  ? keys  q quit",
      " Spc pause  Tab vessel  ? keys  q quit",
  };
  for (const char *form : forms)
    if (static_cast<int>(std::string(form).size()) <= width) return Fit(form, width);
  return Fit(forms[std::size(forms) - 1], width);
}

std::vector<std::string> WrapText(const std::string &text, int width) {
  std::vector<std::string> lines;
  if (width <= 0) return lines;
  const size_t most = static_cast<size_t>(width);
  std::string line;
  bool paragraphEnded = false;
  auto flush = [&] {
    if (!line.empty()) lines.push_back(line);
    line.clear();
  };
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string source = text.substr(start, end - start);
    start = end + 1;
    if (source.find_first_not_of(" \t\r") == std::string::npos) {
      // One blank line between paragraphs, however many the text has.
      if (!line.empty()) paragraphEnded = true;
      flush();
      continue;
    }
    if (paragraphEnded) lines.push_back("");
    paragraphEnded = false;
    size_t at = 0;
    for (;;) {
      const size_t wordStart = source.find_first_not_of(" \t\r", at);
      if (wordStart == std::string::npos) break;
      size_t wordEnd = source.find_first_of(" \t\r", wordStart);
      if (wordEnd == std::string::npos) wordEnd = source.size();
      std::string word = source.substr(wordStart, wordEnd - wordStart);
      at = wordEnd;
      if (!line.empty() && line.size() + 1 + word.size() > most) flush();
      while (word.size() > most) {
        lines.push_back(word.substr(0, most));
        word.erase(0, most);
      }
      line += (line.empty() ? "" : " ") + word;
    }
  }
  flush();
  return lines;
}

std::vector<std::string> DescriptionLines(const std::string &scenarioName, const std::string &description, int width) {
  std::vector<std::string> lines = WrapText(description, width);
  if (lines.empty()) return lines;
  lines.insert(lines.begin(), {("About " + scenarioName).substr(0, static_cast<size_t>(width)), ""});
  lines.push_back("");
  for (const std::string &hint : WrapText("Shown until the first key. ? or h: every key.", width))
    lines.push_back(hint);
  return lines;
}

namespace {

// The file name of a path, without a case-insensitive ".scn".
std::string ScenarioStem(const std::string &scenarioPath) {
  const std::string suffix = ".scn";
  const size_t slash = scenarioPath.find_last_of("/\\");
  std::string stem = slash == std::string::npos ? scenarioPath : scenarioPath.substr(slash + 1);
  if (stem.size() > suffix.size() && Lower(stem.substr(stem.size() - suffix.size())) == suffix)
    stem.resize(stem.size() - suffix.size());
  return stem;
}

bool EndsWith(const std::string &text, const std::string &suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::string DefaultSavePath(const std::string &scenarioPath) {
  const std::string stem = ScenarioStem(scenarioPath);
  const std::string saved = "-saved";
  if (stem.size() > saved.size() && EndsWith(stem, saved)) return stem + ".scn";
  return stem + saved + ".scn";
}

std::string DefaultReplayPath(const std::string &scenarioPath) { return ScenarioStem(scenarioPath) + "-replay.html"; }

SaveChoice ReadSaveAnswer(const std::string &answer, const std::string &defaultPath, const std::string &extension) {
  const size_t first = answer.find_first_not_of(" \t\r\n");
  const std::string trimmed =
      first == std::string::npos ? "" : answer.substr(first, answer.find_last_not_of(" \t\r\n") - first + 1);
  const std::string word = Lower(trimmed);
  if (word == "n" || word == "no") return {SaveChoice::Kind::Decline, ""};
  if (word.empty() || word == "y" || word == "yes") return {SaveChoice::Kind::Default, defaultPath};
  if (word.size() > extension.size() && EndsWith(word, Lower(extension)) &&
      word[word.size() - extension.size() - 1] != '/')
    return {SaveChoice::Kind::Path, trimmed};
  if (word.back() == '/' || word.back() == '\\') return {SaveChoice::Kind::Path, InFolder(trimmed, defaultPath)};
  return {SaveChoice::Kind::Unclear, trimmed};
}

std::string InFolder(const std::string &folder, const std::string &defaultPath) {
  const size_t slash = defaultPath.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? defaultPath : defaultPath.substr(slash + 1);
  if (folder.empty()) return name;
  const char last = folder.back();
  return folder + (last == '/' || last == '\\' ? "" : "/") + name;
}

}  // namespace sim
