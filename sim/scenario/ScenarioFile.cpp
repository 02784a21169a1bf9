#include "sim/scenario/ScenarioFile.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>
#include <unordered_map>

#include "sim/scenario/FileSync.h"
#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioText.h"

namespace sim {

namespace {

constexpr size_t maxLineLength = 4096;            // characters, without the line end
constexpr std::uintmax_t maxFileSize = 64 << 20;  // bytes
constexpr size_t quoteLength = 40;                // characters of a line quoted in a message
// Below this cos(β) the first and last angle turn about the same axis and only their sum counts.
constexpr double gimbalLockCosine = 1e-12;

// ": No space left on device" for an errno value, nothing for 0.
std::string Reason(int error) { return error != 0 ? std::string(": ") + std::strerror(error) : std::string(); }

std::string Quoted(const std::string &text) {
  if (text.size() <= quoteLength) return "\"" + text + "\"";
  return "\"" + text.substr(0, quoteLength) + "...\"";
}

struct Line {
  size_t number = 0;               // 1-based
  std::string raw;                 // without the line end
  std::string content;             // without a ';' comment and the blanks at either end
  std::vector<std::string> words;  // of `content`
};

// The host's own sections, which it ends at their END_ line; any other BEGIN_ line opens a plug-in
// module's block (names compared in lower case).
const std::set<std::string> hostSections = {"desc", "hyperdesc", "urldesc", "environment", "focus", "camera",
                                            "hud",  "panel",     "vc",      "mfd",         "ships"};

// The line that ends a ship or a module's block, as the host ends them: END, without regard to
// case, and nothing else ("END INTERNAL", "SW END" are the vessel module's own lines).
bool IsEnd(const Line &line) { return line.words.size() == 1 && Lower(line.words[0]) == "end"; }

// Ship lines whose value the simulated host reads; each may appear once per ship.
const std::set<std::string> onceInShip = {"MASS",   "PMI",      "RPOS", "RVEL",     "AROT",    "VROT",
                                          "STATUS", "ELEMENTS", "FUEL", "PRPLEVEL", "DOCKINFO"};

class Parser {
public:
  Parser(const std::string &text, const std::string &sourceName) : source(sourceName) { Split(text); }

  Scenario Run() {
    Scenario scenario;
    scenario.source = source;
    scenario.lineEnd = lineEnd;
    bool seenDesc = false, seenEnvironment = false, seenFocus = false, seenShips = false;
    while (const Line *line = NextLine()) {
      if (line->words.empty()) {
        scenario.layout.push_back({Scenario::Piece::Kind::Text, line->raw, 0});
        continue;
      }
      const std::string &key = line->words[0];
      if (key == "BEGIN_DESC") {
        Once(*line, seenDesc);
        scenario.description = ReadDescription(*line, scenario);
      } else if (key == "BEGIN_ENVIRONMENT") {
        Once(*line, seenEnvironment);
        ReadEnvironment(*line, scenario);
        scenario.layout.push_back({Scenario::Piece::Kind::Environment, "", 0});
      } else if (key == "BEGIN_FOCUS") {
        Once(*line, seenFocus);
        ReadFocus(*line, scenario);
        scenario.layout.push_back({Scenario::Piece::Kind::Focus, "", 0});
      } else if (key == "BEGIN_MFD") {
        scenario.displays.push_back(ReadDisplay(*line, scenario.displays));
        scenario.layout.push_back({Scenario::Piece::Kind::Display, "", scenario.displays.size() - 1});
      } else if (key == "BEGIN_SHIPS") {
        Once(*line, seenShips);
        ReadShips(*line, scenario);
        scenario.layout.push_back({Scenario::Piece::Kind::Ships, "", 0});
      } else if (key.rfind("BEGIN_", 0) == 0 && key.size() > 6 && hostSections.count(Lower(key.substr(6))) == 0) {
        scenario.modules.push_back(ReadModuleBlock(*line));
        scenario.layout.push_back({Scenario::Piece::Kind::Module, "", scenario.modules.size() - 1});
      } else if (key.rfind("BEGIN_", 0) == 0 && key.size() > 6) {
        CarryBlock(*line, scenario);
      } else {
        Fail(line->number, "unexpected line " + Quoted(line->content));
      }
    }
    CheckNames(scenario);
    return scenario;
  }

private:
  [[noreturn]] void Fail(size_t lineNumber, const std::string &problem) const {
    throw ScenarioError(source + ":" + std::to_string(lineNumber) + ": " + problem);
  }

  void Split(const std::string &text) {
    size_t start = 0;
    // A byte-order mark some editors put first.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
    const size_t firstEnd = text.find('\n');
    if (firstEnd != std::string::npos && firstEnd > 0 && text[firstEnd - 1] == '\r') lineEnd = "\r\n";
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      Line line;
      line.number = lines.size() + 1;
      line.raw = text.substr(start, end - start);
      if (!line.raw.empty() && line.raw.back() == '\r') line.raw.pop_back();
      if (line.raw.size() > maxLineLength)
        Fail(line.number, "line longer than " + std::to_string(maxLineLength) + " characters");
      for (char c : line.raw) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
          char code[8];
          std::snprintf(code, sizeof code, "0x%02X", byte);
          Fail(line.number, std::string("not text: control byte ") + code);
        }
      }
      line.content = LineContent(line.raw);
      line.words = Words(line.content);
      lines.push_back(std::move(line));
      start = end + 1;
    }
  }

  // The next line, or null at the end of the text.
  const Line *NextLine() { return cursor < lines.size() ? &lines[cursor++] : nullptr; }

  // The next line of the section opened at `open`: ScenarioError when the text ends first.
  const Line &NextInSection(const Line &open, const std::string &unclosed) {
    const Line *line = NextLine();
    if (line == nullptr) Fail(open.number, unclosed);
    return *line;
  }

  void Once(const Line &line, bool &seen) const {
    if (seen) Fail(line.number, line.words[0] + " appears twice");
    seen = true;
    if (line.words.size() != 1) Fail(line.number, line.words[0] + " takes no value");
  }

  double Number(const Line &line, const std::string &word) const {
    double value = 0;
    const std::string problem = ReadReal(word, value);
    if (!problem.empty()) Fail(line.number, line.words[0] + ": " + Quoted(word) + " " + problem);
    return value;
  }

  // The line's values as `count` numbers; `what` names them in the message ("one number").
  std::vector<double> Numbers(const Line &line, size_t count, const char *what) const {
    if (line.words.size() != count + 1) Fail(line.number, line.words[0] + " needs " + what);
    std::vector<double> values;
    for (size_t i = 1; i <= count; ++i) values.push_back(Number(line, line.words[i]));
    return values;
  }

  double Single(const Line &line) const { return Numbers(line, 1, "one number")[0]; }

  Vec3 Vector(const Line &line) const {
    const std::vector<double> v = Numbers(line, 3, "three numbers");
    return {v[0], v[1], v[2]};
  }

  // DOCK and ATTACH: position, direction, rotation.
  void Frame(const Line &line, Vec3 &pos, Vec3 &dir, Vec3 &rot) const {
    const std::vector<double> v = Numbers(line, 9, "nine numbers: position, direction, rotation");
    pos = {v[0], v[1], v[2]};
    dir = {v[3], v[4], v[5]};
    rot = {v[6], v[7], v[8]};
  }

  std::string ReadDescription(const Line &open, Scenario &scenario) {
    scenario.layout.push_back({Scenario::Piece::Kind::Text, open.raw, 0});
    std::string description;
    bool first = true;
    for (;;) {
      const Line &line = NextInSection(open, "BEGIN_DESC is not closed");
      scenario.layout.push_back({Scenario::Piece::Kind::Text, line.raw, 0});
      // Free text, kept whole: a ';' in it is text, not a comment.
      if (line.content == "END_DESC") return description;
      if (!first) description += '\n';
      description += line.raw;
      first = false;
    }
  }

  // A module's block: kept line for line up to its END.
  ModuleBlock ReadModuleBlock(const Line &open) {
    ModuleBlock block;
    block.name = open.words[0].substr(6);
    block.raw.push_back(open.raw);
    for (;;) {
      const Line &line = NextInSection(open, open.words[0] + " is not closed: its END is missing");
      block.raw.push_back(line.raw);
      if (IsEnd(line)) return block;
      block.lines.push_back(line.raw);
    }
  }

  // A section of the host's that the simulated host does not read: kept line for line up to its
  // END_ line.
  void CarryBlock(const Line &open, Scenario &scenario) {
    const std::string name = open.words[0].substr(6);
    scenario.layout.push_back({Scenario::Piece::Kind::Text, open.raw, 0});
    for (;;) {
      const Line &line = NextInSection(open, open.words[0] + " is not closed");
      scenario.layout.push_back({Scenario::Piece::Kind::Text, line.raw, 0});
      if (!line.words.empty() && line.words[0] == "END_" + name) return;
    }
  }

  void ReadEnvironment(const Line &open, Scenario &scenario) {
    scenario.environment.push_back({open.words[0], open.raw});
    bool seenStep = false, seenDate = false;
    for (;;) {
      const Line &line = NextInSection(open, "BEGIN_ENVIRONMENT is not closed");
      const std::string key = line.words.empty() ? "" : line.words[0];
      scenario.environment.push_back({key, line.raw});
      if (key == "END_ENVIRONMENT") return;
      if (key == "STEP") {
        if (seenStep) Fail(line.number, "STEP appears twice");
        seenStep = true;
        scenario.step = Single(line);
        if (scenario.step <= 0) Fail(line.number, "STEP must be above 0");
      } else if (key == "GRAVITY") {
        if (scenario.gravity) Fail(line.number, "GRAVITY appears twice");
        scenario.gravity = Single(line);
        scenario.gravityLine = line.number;
        if (*scenario.gravity < 0) Fail(line.number, "GRAVITY must not be below 0");
      } else if (key == "Date") {
        if (seenDate) Fail(line.number, "Date appears twice");
        seenDate = true;
        if (line.words.size() != 3 || line.words[1] != "MJD")
          Fail(line.number, "Date needs MJD and a number, e.g. Date MJD 51982.0975");
        scenario.date = Number(line, line.words[2]);
      } else if (key == "SIMTIME") {
        if (scenario.time) Fail(line.number, "SIMTIME appears twice");
        scenario.time = Single(line);
        if (*scenario.time < 0) Fail(line.number, "SIMTIME must not be below 0");
      }
    }
  }

  void ReadFocus(const Line &open, Scenario &scenario) {
    scenario.focusBlock.push_back({open.words[0], open.raw});
    for (;;) {
      const Line &line = NextInSection(open, "BEGIN_FOCUS is not closed");
      const std::string key = line.words.empty() ? "" : line.words[0];
      scenario.focusBlock.push_back({key, line.raw});
      if (key == "END_FOCUS") {
        if (scenario.focusLine == 0) Fail(open.number, "BEGIN_FOCUS names no ship");
        return;
      }
      if (key != "Ship") continue;
      if (scenario.focusLine != 0) Fail(line.number, "Ship appears twice");
      if (line.words.size() != 2) Fail(line.number, "Ship needs one name");
      scenario.focus = line.words[1];
      scenario.focusLine = line.number;
    }
  }

  DisplayBlock ReadDisplay(const Line &open, const std::vector<DisplayBlock> &before) {
    if (open.words.size() != 2) Fail(open.number, "BEGIN_MFD needs one position, e.g. Left");
    DisplayBlock block;
    block.position = open.words[1];
    block.raw.push_back(open.raw);
    for (const DisplayBlock &other : before)
      if (other.position == block.position)
        Fail(open.number, "a display block for " + block.position + " is given twice");
    bool seenType = false;
    for (;;) {
      const Line &line = NextInSection(open, "BEGIN_MFD is not closed");
      block.raw.push_back(line.raw);
      if (Trim(line.raw).empty()) continue;
      if (!line.words.empty() && line.words[0] == "END_MFD") break;
      const bool hostPart = block.lines.empty();
      if (hostPart && line.words.empty()) continue;
      if (hostPart && line.words[0] == "TYPE" && !seenType) {
        if (line.words.size() != 2) Fail(line.number, "TYPE needs one word");
        block.type = line.words[1];
        seenType = true;
      } else if (hostPart && line.words[0] == "MODE" && seenType && block.mode.empty()) {
        block.mode = Trim(line.content.substr(4));
        if (block.mode.empty()) Fail(line.number, "MODE needs a name");
      } else {
        if (!seenType) Fail(line.number, "BEGIN_MFD needs its TYPE line first");
        block.lines.push_back(line.raw);
        block.lineNumbers.push_back(line.number);
      }
    }
    if (!seenType) Fail(open.number, "BEGIN_MFD has no TYPE line");
    return block;
  }

  void ReadShips(const Line &open, Scenario &scenario) {
    scenario.shipsOpen = open.raw;
    std::unordered_map<std::string, size_t> lineOfName;  // lower-case name
    std::vector<std::string> before;
    for (;;) {
      const Line &line = NextInSection(open, "BEGIN_SHIPS is not closed");
      if (line.words.empty()) {
        before.push_back(line.raw);
        continue;
      }
      const std::string &key = line.words[0];
      if (Lower(key) == "end_ships" && line.words.size() == 1) {
        scenario.shipsTrailer = std::move(before);
        scenario.shipsClose = line.raw;
        return;
      }
      const size_t colon = key.find(':');
      if (line.words.size() != 1 || colon == 0 || IsEnd(line) ||
          (colon != std::string::npos && (colon + 1 == key.size() || key.find(':', colon + 1) != std::string::npos)))
        Fail(line.number, "expected a ship as NAME or NAME:CLASS, not " + Quoted(line.content));
      ShipState ship;
      ship.name = key.substr(0, colon);
      ship.className = colon == std::string::npos ? ship.name : key.substr(colon + 1);
      ship.line = line.number;
      ship.header = line.raw;
      ship.before = std::move(before);
      before.clear();
      const auto taken = lineOfName.emplace(Lower(ship.name), line.number);
      if (!taken.second)
        Fail(line.number,
             "ship " + Quoted(ship.name) + " is already given at line " + std::to_string(taken.first->second));
      ReadShip(line, ship);
      scenario.ships.push_back(std::move(ship));
    }
  }

  void ReadShip(const Line &open, ShipState &ship) {
    std::set<std::string> seen;
    const std::string unclosed = "ship " + Quoted(ship.name) + " has no END";
    for (;;) {
      const Line &line = NextInSection(open, unclosed);
      const std::string key = line.words.empty() ? "" : line.words[0];
      if (IsEnd(line)) {
        ship.end = line.raw;
        return;
      }
      if (Lower(key) == "end_ships" && line.words.size() == 1) Fail(open.number, unclosed);
      ship.lines.push_back({key, line.raw});
      if (onceInShip.count(key) != 0 && !seen.insert(key).second) Fail(line.number, key + " appears twice");
      if (key == "MASS") {
        ship.mass = Single(line);
        if (*ship.mass <= 0) Fail(line.number, "MASS must be above 0");
      } else if (key == "PMI") {
        ship.pmi = Vector(line);
        if (ship.pmi->x <= 0 || ship.pmi->y <= 0 || ship.pmi->z <= 0) Fail(line.number, "PMI must be above 0");
      } else if (key == "RPOS" || key == "RVEL") {
        if (ship.elements) Fail(line.number, "ELEMENTS and " + key + " both give the orbit");
        (key == "RPOS" ? ship.rpos : ship.rvel) = Vector(line);
      } else if (key == "AROT") {
        ship.arot = Vector(line);
      } else if (key == "VROT") {
        ship.vrot = Vector(line);
      } else if (key == "DOCK") {
        DockingPort port;
        Frame(line, port.pos, port.dir, port.rot);
        ship.docks.push_back(port);
      } else if (key == "ATTACH") {
        AttachmentPoint point;
        Frame(line, point.pos, point.dir, point.rot);
        ship.attachments.push_back(point);
      } else if (key == "STATUS") {
        ReadStatus(line, ship);
      } else if (key == "ELEMENTS") {
        if (ship.rpos || ship.rvel)
          Fail(line.number, std::string("ELEMENTS and ") + (ship.rpos ? "RPOS" : "RVEL") + " both give the orbit");
        ship.elements = ReadElements(line);
      } else if (key == "PRPLEVEL") {
        std::string problem;
        if (!ParseTankLevels(line.words, ship.levels, problem)) Fail(line.number, problem);
      } else if (key == "FUEL") {
        ship.fuel = Single(line);
        if (*ship.fuel < 0 || *ship.fuel > 1) Fail(line.number, "FUEL must lie in 0 .. 1");
      } else if (key == "DOCKINFO") {
        std::string problem;
        if (!ParseDockInfo(line.words, ship.dockInfo, problem)) Fail(line.number, problem);
        ship.dockInfoLine = line.number;
      } else if (key == "ATTACHED") {
        ship.attached = true;
      }
      // Any other line is the host's (NAVFREQ, XPDR, GEAR, …): kept as read.
    }
  }

  void ReadStatus(const Line &line, ShipState &ship) const {
    if (line.words.size() != 3 || (Lower(line.words[1]) != "orbiting" && Lower(line.words[1]) != "landed"))
      Fail(line.number, "STATUS needs Orbiting or Landed and a body, e.g. STATUS Orbiting Earth");
    ship.status = Lower(line.words[1]) == "orbiting" ? ShipStatus::Orbiting : ShipStatus::Landed;
    ship.body = line.words[2];
  }

  Elements ReadElements(const Line &line) const {
    const std::vector<double> v =
        Numbers(line, 7, "seven numbers: a, e, i, node, periapsis, mean longitude, epoch (MJD)");
    Elements el{v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
    if (!(el.a > 0)) Fail(line.number, "ELEMENTS: the semi-major axis must be above 0");
    if (!(el.e >= 0 && el.e < 1)) Fail(line.number, "ELEMENTS: the eccentricity must lie in 0 .. 1, below 1");
    return el;
  }

  // Every focus and DOCKINFO name is a ship of the file.
  void CheckNames(const Scenario &scenario) const {
    std::unordered_map<std::string, const ShipState *> byName;
    for (const ShipState &ship : scenario.ships) byName.emplace(Lower(ship.name), &ship);
    if (!scenario.focus.empty() && byName.count(Lower(scenario.focus)) == 0)
      Fail(scenario.focusLine, "focus ship " + Quoted(scenario.focus) + " is not among the ships");
    for (const ShipState &ship : scenario.ships)
      for (const DockInfo &dock : ship.dockInfo) {
        auto other = byName.find(Lower(dock.other));
        if (other == byName.end())
          Fail(ship.dockInfoLine,
               "ship " + Quoted(ship.name) + " is docked to " + Quoted(dock.other) + ", which is not among the ships");
        if (other->second == &ship) Fail(ship.dockInfoLine, "ship " + Quoted(ship.name) + " is docked to itself");
      }
  }

  std::string source;
  std::vector<Line> lines;
  size_t cursor = 0;
  std::string lineEnd = "\n";
};

std::string Real(double value) { return FormatReal(value); }

std::string Triple(Vec3 v) { return Real(v.x) + " " + Real(v.y) + " " + Real(v.z); }

std::string StatusLine(const ShipState &ship) {
  return std::string("  STATUS ") + (ship.status == ShipStatus::Orbiting ? "Orbiting " : "Landed ") + ship.body;
}

std::string ElementsLine(const Elements &el) {
  return "  ELEMENTS " + Real(el.a) + " " + Real(el.e) + " " + Real(el.i) + " " + Real(el.node) + " " +
         Real(el.periapsis) + " " + Real(el.meanLongitude) + " " + Real(el.epoch);
}

std::string LevelsLine(const std::vector<TankLevel> &levels) {
  std::string line = "  PRPLEVEL";
  for (const TankLevel &t : levels) line += " " + std::to_string(t.tank) + ":" + Real(t.level);
  return line;
}

std::string DockInfoLine(const std::vector<DockInfo> &docks) {
  std::string line = "  DOCKINFO";
  for (const DockInfo &d : docks)
    line += " " + std::to_string(d.port) + ":" + std::to_string(d.otherPort) + "," + d.other;
  return line;
}

std::string FrameLine(const char *key, Vec3 pos, Vec3 dir, Vec3 rot) {
  return std::string("  ") + key + " " + Triple(pos) + "  " + Triple(dir) + "  " + Triple(rot);
}

// Whether a line as read still says `values` after its key: then it is written back as it was.
bool Says(const std::string &text, const std::vector<double> &values) {
  const std::vector<std::string> words = Words(LineContent(text));
  if (words.size() != values.size() + 1) return false;
  for (size_t i = 0; i < values.size(); ++i) {
    double read = 0;
    if (!ReadReal(words[i + 1], read).empty() || read != values[i]) return false;
  }
  return true;
}

bool SaysVector(const std::string &text, Vec3 v) { return Says(text, std::vector<double>{v.x, v.y, v.z}); }

bool SaysLevels(const std::string &text, const std::vector<TankLevel> &levels) {
  std::vector<TankLevel> read;
  std::string problem;
  if (!ParseTankLevels(Words(LineContent(text)), read, problem) || read.size() != levels.size()) return false;
  for (size_t i = 0; i < read.size(); ++i)
    if (read[i].tank != levels[i].tank || read[i].level != levels[i].level) return false;
  return true;
}

bool SaysDocks(const std::string &text, const std::vector<DockInfo> &docks) {
  std::vector<DockInfo> read;
  std::string problem;
  if (!ParseDockInfo(Words(LineContent(text)), read, problem) || read.size() != docks.size()) return false;
  for (size_t i = 0; i < read.size(); ++i)
    if (read[i].port != docks[i].port || read[i].otherPort != docks[i].otherPort || read[i].other != docks[i].other)
      return false;
  return true;
}

class Writer {
public:
  explicit Writer(const Scenario &s) : scenario(s) {}

  std::string Run() {
    if (scenario.layout.empty()) {
      Standard();
    } else {
      InPlace();
    }
    return out;
  }

private:
  void Put(const std::string &line) {
    out += line;
    out += scenario.lineEnd;
    lastBlank = Trim(line).empty();
  }

  // A scenario made in code: every section in the standard order.
  void Standard() {
    if (!scenario.description.empty()) {
      Put("BEGIN_DESC");
      Put(scenario.description);
      Put("END_DESC");
      Put("");
    }
    StandardEnvironment(true);
    if (!scenario.focus.empty()) StandardFocus();
    for (const DisplayBlock &block : scenario.displays) {
      Display(block);
      Put("");
    }
    Put("BEGIN_SHIPS");
    for (const ShipState &ship : scenario.ships) Ship(ship);
    Put("END_SHIPS");
    for (const ModuleBlock &block : scenario.modules) {
      Put("");
      Module(block);
    }
  }

  void StandardEnvironment(bool withStep) {
    Put("BEGIN_ENVIRONMENT");
    if (withStep) Put("  STEP " + Real(scenario.step));
    if (scenario.date) Put("  Date MJD " + Real(*scenario.date));
    if (scenario.time) Put("  SIMTIME " + Real(*scenario.time));
    if (scenario.gravity) Put("  GRAVITY " + Real(*scenario.gravity));
    Put("END_ENVIRONMENT");
    Put("");
  }

  void StandardFocus() {
    Put("BEGIN_FOCUS");
    Put("  Ship " + scenario.focus);
    Put("END_FOCUS");
    Put("");
  }

  void Display(const DisplayBlock &block) {
    if (!block.raw.empty()) {
      for (const std::string &line : block.raw) Put(line);
      return;
    }
    Put("BEGIN_MFD " + block.position);
    Put("  TYPE " + block.type);
    if (!block.mode.empty()) Put("  MODE " + block.mode);
    for (const std::string &line : block.lines) Put(line);
    Put("END_MFD");
  }

  void Module(const ModuleBlock &block) {
    if (!block.raw.empty()) {
      for (const std::string &line : block.raw) Put(line);
      return;
    }
    Put("BEGIN_" + block.name);
    for (const std::string &line : block.lines) Put(line);
    Put("END");
  }

  // A scenario read from a file: its own lines in their places, the values the world owns written
  // anew where they changed, and what the file lacked added where the host would put it.
  void InPlace() {
    using Kind = Scenario::Piece::Kind;
    bool hasEnvironment = false, hasFocus = false, hasShips = false;
    size_t lastDisplay = scenario.layout.size();
    std::vector<bool> placed(scenario.displays.size(), false);
    std::vector<bool> modulePlaced(scenario.modules.size(), false);
    for (size_t i = 0; i < scenario.layout.size(); ++i) {
      const Scenario::Piece &piece = scenario.layout[i];
      if (piece.kind == Kind::Module && piece.display < modulePlaced.size()) modulePlaced[piece.display] = true;
      hasEnvironment = hasEnvironment || piece.kind == Kind::Environment;
      hasFocus = hasFocus || piece.kind == Kind::Focus;
      hasShips = hasShips || piece.kind == Kind::Ships;
      if (piece.kind == Kind::Display && piece.display < placed.size()) {
        placed[piece.display] = true;
        lastDisplay = i;
      }
    }
    const bool environmentDue =
        !hasEnvironment && (scenario.step != 0.02 || scenario.gravity || scenario.date || scenario.time);
    bool focusDue = !hasFocus && !scenario.focus.empty();
    bool displaysDue = false;
    for (bool p : placed) displaysDue = displaysDue || !p;
    bool environmentLeft = environmentDue;

    for (size_t i = 0; i < scenario.layout.size(); ++i) {
      const Scenario::Piece &piece = scenario.layout[i];
      // A module's block is no section of the host's: the host's own go before it.
      const bool section = piece.kind != Kind::Text && piece.kind != Kind::Module;
      if (section && environmentLeft) {
        StandardEnvironment(scenario.step != 0.02);
        environmentLeft = false;
      }
      if (section && piece.kind != Kind::Environment && focusDue) {
        StandardFocus();
        focusDue = false;
      }
      if (piece.kind == Kind::Ships && displaysDue && lastDisplay == scenario.layout.size()) {
        NewDisplays(placed, false);
        displaysDue = false;
      }
      switch (piece.kind) {
        case Kind::Text:
          Put(piece.text);
          break;
        case Kind::Environment:
          Environment();
          break;
        case Kind::Focus:
          Focus();
          break;
        case Kind::Display:
          if (piece.display < scenario.displays.size()) Display(scenario.displays[piece.display]);
          break;
        case Kind::Ships:
          Ships();
          break;
        case Kind::Module:
          if (piece.display < scenario.modules.size()) Module(scenario.modules[piece.display]);
          break;
      }
      if (i == lastDisplay && displaysDue) {
        NewDisplays(placed, true);
        displaysDue = false;
      }
    }
    if (environmentLeft) StandardEnvironment(scenario.step != 0.02);
    if (focusDue) StandardFocus();
    if (displaysDue) {
      if (!lastBlank) Put("");
      NewDisplays(placed, false);
    }
    if (!hasShips && !scenario.ships.empty()) {
      if (!lastBlank) Put("");
      Put("BEGIN_SHIPS");
      for (const ShipState &ship : scenario.ships) Ship(ship);
      Put("END_SHIPS");
    }
    // The host writes a module's block after the ships, a blank line before it.
    for (size_t i = 0; i < scenario.modules.size(); ++i) {
      if (modulePlaced[i]) continue;
      if (!lastBlank) Put("");
      Module(scenario.modules[i]);
    }
  }

  // Display blocks the file did not have: after its last display block (a blank line first), or
  // before the ships (a blank line after).
  void NewDisplays(const std::vector<bool> &placed, bool afterBlocks) {
    for (size_t i = 0; i < placed.size(); ++i) {
      if (placed[i]) continue;
      if (afterBlocks) Put("");
      Display(scenario.displays[i]);
      if (!afterBlocks) Put("");
    }
  }

  void Environment() {
    bool stepWritten = false, gravityWritten = false, dateWritten = false, timeWritten = false;
    for (const TextLine &line : scenario.environment) {
      if (line.key == "STEP") {
        Put(Says(line.text, {scenario.step}) ? line.text : "  STEP " + Real(scenario.step));
        stepWritten = true;
      } else if (line.key == "GRAVITY") {
        if (scenario.gravity)
          Put(Says(line.text, {*scenario.gravity}) ? line.text : "  GRAVITY " + Real(*scenario.gravity));
        gravityWritten = true;
      } else if (line.key == "Date") {
        if (scenario.date) Put(SaysDate(line.text) ? line.text : "  Date MJD " + Real(*scenario.date));
        dateWritten = true;
      } else if (line.key == "SIMTIME") {
        if (scenario.time) Put(Says(line.text, {*scenario.time}) ? line.text : "  SIMTIME " + Real(*scenario.time));
        timeWritten = true;
      } else if (line.key == "END_ENVIRONMENT") {
        if (!stepWritten && scenario.step != 0.02) Put("  STEP " + Real(scenario.step));
        if (!dateWritten && scenario.date) Put("  Date MJD " + Real(*scenario.date));
        if (!timeWritten && scenario.time) Put("  SIMTIME " + Real(*scenario.time));
        if (!gravityWritten && scenario.gravity) Put("  GRAVITY " + Real(*scenario.gravity));
        Put(line.text);
      } else {
        Put(line.text);
      }
    }
  }

  bool SaysDate(const std::string &text) const {
    const std::vector<std::string> words = Words(LineContent(text));
    double read = 0;
    return words.size() == 3 && words[1] == "MJD" && ReadReal(words[2], read).empty() && read == *scenario.date;
  }

  void Focus() {
    for (const TextLine &line : scenario.focusBlock) {
      if (line.key == "Ship" && !scenario.focus.empty()) {
        const std::vector<std::string> words = Words(LineContent(line.text));
        Put(words.size() == 2 && words[1] == scenario.focus ? line.text : "  Ship " + scenario.focus);
      } else {
        Put(line.text);
      }
    }
  }

  void Ships() {
    Put(scenario.shipsOpen);
    for (const ShipState &ship : scenario.ships) Ship(ship);
    for (const std::string &line : scenario.shipsTrailer) Put(line);
    Put(scenario.shipsClose);
  }

  void Ship(const ShipState &ship) {
    for (const std::string &line : ship.before) Put(line);
    if (ship.header.empty()) {
      StandardShip(ship);
    } else if (ship.carried) {
      Put(ship.header);
      for (const TextLine &line : ship.lines) Put(line.text);
      Put(ship.end);
    } else {
      ShipInPlace(ship);
    }
  }

  void StandardShip(const ShipState &ship) {
    Put(ship.name + ":" + ship.className);
    if (ship.status != ShipStatus::None) Put(StatusLine(ship));
    if (ship.mass) Put("  MASS " + Real(*ship.mass));
    if (ship.pmi) Put("  PMI " + Triple(*ship.pmi));
    if (ship.rpos) Put("  RPOS " + Triple(*ship.rpos));
    if (ship.rvel) Put("  RVEL " + Triple(*ship.rvel));
    if (ship.elements) Put(ElementsLine(*ship.elements));
    if (ship.arot) Put("  AROT " + Triple(*ship.arot));
    if (ship.vrot) Put("  VROT " + Triple(*ship.vrot));
    if (!ship.levels.empty()) Put(LevelsLine(ship.levels));
    if (ship.fuel) Put("  FUEL " + Real(*ship.fuel));
    for (const DockingPort &port : ship.docks) Put(FrameLine("DOCK", port.pos, port.dir, port.rot));
    for (const AttachmentPoint &point : ship.attachments) Put(FrameLine("ATTACH", point.pos, point.dir, point.rot));
    if (!ship.dockInfo.empty()) Put(DockInfoLine(ship.dockInfo));
    Put("END");
  }

  void ShipInPlace(const ShipState &ship) {
    std::set<std::string> present;
    size_t anchor = 0;  // the state lines end after this many lines
    for (size_t i = 0; i < ship.lines.size(); ++i) {
      const std::string &key = ship.lines[i].key;
      present.insert(key);
      if (key == "STATUS" || key == "RPOS" || key == "RVEL" || key == "ELEMENTS" || key == "AROT" || key == "VROT")
        anchor = i + 1;
    }
    // ELEMENTS is written as RPOS and RVEL once the world has moved the ship, FUEL as PRPLEVEL.
    const bool positionFromElements = !ship.elements && present.count("ELEMENTS") != 0;
    const bool levelsFromFuel = !ship.fuel && present.count("FUEL") != 0 && present.count("PRPLEVEL") == 0;

    Put(ship.header);
    if (anchor == 0) Missing(ship, present, positionFromElements, levelsFromFuel);
    for (size_t i = 0; i < ship.lines.size(); ++i) {
      const TextLine &line = ship.lines[i];
      const std::string &key = line.key;
      if (key == "RPOS") {
        if (ship.rpos) Put(SaysVector(line.text, *ship.rpos) ? line.text : "  RPOS " + Triple(*ship.rpos));
      } else if (key == "RVEL") {
        if (ship.rvel) Put(SaysVector(line.text, *ship.rvel) ? line.text : "  RVEL " + Triple(*ship.rvel));
      } else if (key == "AROT") {
        if (ship.arot) Put(SaysVector(line.text, *ship.arot) ? line.text : "  AROT " + Triple(*ship.arot));
      } else if (key == "VROT") {
        if (ship.vrot) Put(SaysVector(line.text, *ship.vrot) ? line.text : "  VROT " + Triple(*ship.vrot));
      } else if (key == "ELEMENTS") {
        if (ship.elements) {
          const Elements &el = *ship.elements;
          Put(Says(line.text, {el.a, el.e, el.i, el.node, el.periapsis, el.meanLongitude, el.epoch})
                  ? line.text
                  : ElementsLine(el));
        } else {
          if (ship.rpos && present.count("RPOS") == 0) Put("  RPOS " + Triple(*ship.rpos));
          if (ship.rvel && present.count("RVEL") == 0) Put("  RVEL " + Triple(*ship.rvel));
        }
      } else if (key == "PRPLEVEL") {
        if (!ship.levels.empty()) Put(SaysLevels(line.text, ship.levels) ? line.text : LevelsLine(ship.levels));
      } else if (key == "FUEL") {
        if (ship.fuel)
          Put(Says(line.text, {*ship.fuel}) ? line.text : "  FUEL " + Real(*ship.fuel));
        else if (levelsFromFuel && !ship.levels.empty())
          Put(LevelsLine(ship.levels));
      } else if (key == "DOCKINFO") {
        if (!ship.dockInfo.empty()) Put(SaysDocks(line.text, ship.dockInfo) ? line.text : DockInfoLine(ship.dockInfo));
      } else {
        Put(line.text);
      }
      if (i + 1 == anchor) Missing(ship, present, positionFromElements, levelsFromFuel);
    }
    Put(ship.end);
  }

  // The values the world holds for which the ship has no line of its own.
  void Missing(const ShipState &ship, const std::set<std::string> &present, bool positionFromElements,
               bool levelsFromFuel) {
    if (ship.rpos && present.count("RPOS") == 0 && !positionFromElements) Put("  RPOS " + Triple(*ship.rpos));
    if (ship.rvel && present.count("RVEL") == 0 && !positionFromElements) Put("  RVEL " + Triple(*ship.rvel));
    if (ship.arot && present.count("AROT") == 0) Put("  AROT " + Triple(*ship.arot));
    if (ship.vrot && present.count("VROT") == 0) Put("  VROT " + Triple(*ship.vrot));
    if (!ship.levels.empty() && present.count("PRPLEVEL") == 0 && !levelsFromFuel) Put(LevelsLine(ship.levels));
    if (!ship.dockInfo.empty() && present.count("DOCKINFO") == 0) Put(DockInfoLine(ship.dockInfo));
  }

  const Scenario &scenario;
  std::string out;
  bool lastBlank = true;
};

}  // namespace

Scenario ParseScenario(const std::string &text, const std::string &sourceName) {
  return Parser(text, sourceName).Run();
}

Scenario LoadScenarioFile(const std::string &path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw ScenarioError(path + ": is a folder, not a scenario file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ScenarioError(path + ": cannot be opened");
  std::string text;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<size_t>(in.gcount()));
    if (text.size() > maxFileSize) throw ScenarioError(path + ": larger than 64 MiB, not a scenario file");
  }
  if (in.bad()) throw ScenarioError(path + ": cannot be read");
  return ParseScenario(text, path);
}

std::string FormatScenario(const Scenario &scenario) { return Writer(scenario).Run(); }

void SaveScenarioFile(const std::string &path, const Scenario &scenario, bool durable) {
  const std::string text = FormatScenario(scenario);
  // A file that would not load again is not written: the old one is worth more.
  try {
    ParseScenario(text, path);
  } catch (const ScenarioError &error) {
    throw ScenarioError(std::string("not saved, the text would not read back: ") + error.what());
  }

  const std::string temporary = path + ".saving";
  {
    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    // The messages name the file the user asked for: the temporary one is this function's affair.
    if (!out) throw ScenarioError(path + ": cannot write it" + Reason(errno));
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    // The write that failed set errno: a full disk, or a file larger than the process may write.
    const int failure = errno;
    if (!out || (durable && !SyncPath(temporary))) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw ScenarioError(path + ": not saved" + Reason(out ? 0 : failure));
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw ScenarioError(path + ": cannot replace it: " + error.message());
  }
  if (durable && !SyncFolderOf(path))
    throw ScenarioError(path + ": saved, but its folder could not be synced to the disk");
}

double DateAt(const Scenario &scenario, double time) {
  if (!scenario.date) return defaultDate + time / secondsPerDay;
  return *scenario.date + (time - scenario.time.value_or(0)) / secondsPerDay;
}

std::vector<std::string> LinesForReader(const DisplayBlock &block) {
  std::vector<std::string> lines = block.lines;
  lines.push_back("END_MFD");
  return lines;
}

std::vector<std::string> LinesForReader(const ModuleBlock &block) {
  std::vector<std::string> lines = block.lines;
  lines.push_back("END");
  return lines;
}

const ModuleBlock *FindModuleBlock(const Scenario &scenario, const std::string &name) {
  for (const ModuleBlock &block : scenario.modules)
    if (Lower(block.name) == Lower(name)) return &block;
  return nullptr;
}

ModuleBlock *FindModuleBlock(Scenario &scenario, const std::string &name) {
  return const_cast<ModuleBlock *>(FindModuleBlock(static_cast<const Scenario &>(scenario), name));
}

Mat3 RotationFromAngles(Vec3 angles) {
  // The host's left-handed angles are the negatives of right-handed ones.
  const double a = -angles.x, b = -angles.y, c = -angles.z;
  const double ca = std::cos(a), sa = std::sin(a);
  const double cb = std::cos(b), sb = std::sin(b);
  const double cc = std::cos(c), sc = std::sin(c);
  Mat3 rx, ry, rz;
  rx.m[1][1] = ca;
  rx.m[1][2] = -sa;
  rx.m[2][1] = sa;
  rx.m[2][2] = ca;
  ry.m[0][0] = cb;
  ry.m[0][2] = sb;
  ry.m[2][0] = -sb;
  ry.m[2][2] = cb;
  rz.m[0][0] = cc;
  rz.m[0][1] = -sc;
  rz.m[1][0] = sc;
  rz.m[1][1] = cc;
  return rx * ry * rz;
}

Vec3 AnglesFromRotation(const Mat3 &r) {
  // R = Rx(a) Ry(b) Rz(c) (right-handed a, b, c) has first row (cb cc, −cb sc, sb) and last column
  // (sb, −sa cb, ca cb); the host's angles are their negatives.
  const double cosB = std::hypot(r.m[1][2], r.m[2][2]);
  const double b = std::atan2(r.m[0][2], cosB);
  if (cosB < gimbalLockCosine) return {-std::atan2(r.m[2][1], r.m[1][1]), -b, 0.0};
  return {-std::atan2(-r.m[1][2], r.m[2][2]), -b, -std::atan2(-r.m[0][1], r.m[0][0])};
}

}  // namespace sim
