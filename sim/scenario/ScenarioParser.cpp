// Scenario files read: the host's sections, the simulated host's own lines, and every other line
// kept where it stood.
#include <cstdio>
#include <set>
#include <unordered_map>

#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioFile.h"
#include "sim/scenario/ScenarioText.h"

namespace sim {

namespace {

constexpr size_t maxLineLength = 4096;  // characters, without the line end
constexpr size_t quoteLength = 40;      // characters of a line quoted in a message

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
        // The host's own files may leave the number out ("Date MJD ;"): it then takes the
        // current date, and so does this reader, saying so.
        if (line.words.size() == 2 && line.words[1] == "MJD") {
          scenario.date = CurrentDate();
          char text[128];
          std::snprintf(text, sizeof text,
                        "Date MJD gives no date: the current date is taken, MJD %.5f, as the host takes it",
                        *scenario.date);
          scenario.notes.push_back({line.number, text});
          continue;
        }
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

}  // namespace

Scenario ParseScenario(const std::string &text, const std::string &sourceName) {
  return Parser(text, sourceName).Run();
}

}  // namespace sim
