// Scenario files written: a scenario read from a file in its own lines, the values the world changed
// anew; one made in code in the standard form.
#include <set>

#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioFile.h"
#include "sim/scenario/ScenarioText.h"

namespace sim {

namespace {

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
        !hasEnvironment && (scenario.step != defaultStep || scenario.gravity || scenario.date || scenario.time);
    bool focusDue = !hasFocus && !scenario.focus.empty();
    bool displaysDue = false;
    for (bool p : placed) displaysDue = displaysDue || !p;
    bool environmentLeft = environmentDue;

    for (size_t i = 0; i < scenario.layout.size(); ++i) {
      const Scenario::Piece &piece = scenario.layout[i];
      // A module's block is no section of the host's: the host's own go before it.
      const bool section = piece.kind != Kind::Text && piece.kind != Kind::Module;
      if (section && environmentLeft) {
        StandardEnvironment(scenario.step != defaultStep);
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
    if (environmentLeft) StandardEnvironment(scenario.step != defaultStep);
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
        if (!stepWritten && scenario.step != defaultStep) Put("  STEP " + Real(scenario.step));
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

std::string FormatScenario(const Scenario &scenario) { return Writer(scenario).Run(); }

}  // namespace sim
