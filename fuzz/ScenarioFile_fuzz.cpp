// The host's scenario file reader fed arbitrary files (and the same bytes as a vessel class's
// configuration file). A file that parses must format to its own text (line ends aside), to a
// text that parses to the same scenario; populating a world either refuses it with a message or
// gives a world whose captured ships hold the numbers they were read with.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "sim/scenario/ScenarioWorld.h"
#include "sim/scenario/VesselClasses.h"
#include "sim/world/World.h"

namespace {

bool Same(const sim::Vec3 &a, const sim::Vec3 &b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

bool Same(const std::optional<sim::Vec3> &a, const std::optional<sim::Vec3> &b) {
  return a.has_value() == b.has_value() && (!a || Same(*a, *b));
}

template <typename Frame>
bool SameFrames(const std::vector<Frame> &a, const std::vector<Frame> &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!Same(a[i].pos, b[i].pos) || !Same(a[i].dir, b[i].dir) || !Same(a[i].rot, b[i].rot)) return false;
  return true;
}

bool SameLevels(const std::vector<sim::TankLevel> &a, const std::vector<sim::TankLevel> &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].tank != b[i].tank || a[i].level != b[i].level) return false;
  return true;
}

bool SameDocks(const std::vector<sim::DockInfo> &a, const std::vector<sim::DockInfo> &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].port != b[i].port || a[i].otherPort != b[i].otherPort || a[i].other != b[i].other) return false;
  return true;
}

bool SameElements(const std::optional<sim::Elements> &a, const std::optional<sim::Elements> &b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || (a->a == b->a && a->e == b->e && a->i == b->i && a->node == b->node && a->periapsis == b->periapsis &&
                a->meanLongitude == b->meanLongitude && a->epoch == b->epoch);
}

// Empty when the ships are the same; otherwise what differs.
std::string CompareShip(const sim::ShipState &a, const sim::ShipState &b) {
  if (a.name != b.name || a.className != b.className) return "name or class";
  if (a.mass != b.mass) return "MASS";
  if (!Same(a.pmi, b.pmi)) return "PMI";
  if (a.status != b.status || a.body != b.body) return "STATUS";
  if (!Same(a.rpos, b.rpos)) return "RPOS";
  if (!Same(a.rvel, b.rvel)) return "RVEL";
  if (!SameElements(a.elements, b.elements)) return "ELEMENTS";
  if (!Same(a.arot, b.arot)) return "AROT";
  if (!Same(a.vrot, b.vrot)) return "VROT";
  if (!SameLevels(a.levels, b.levels) || a.fuel != b.fuel) return "PRPLEVEL or FUEL";
  if (!SameDocks(a.dockInfo, b.dockInfo)) return "DOCKINFO";
  if (!SameFrames(a.docks, b.docks)) return "DOCK";
  if (!SameFrames(a.attachments, b.attachments)) return "ATTACH";
  if (a.lines.size() != b.lines.size()) return "its lines";
  for (size_t i = 0; i < a.lines.size(); ++i)
    if (a.lines[i].text != b.lines[i].text) return "line " + a.lines[i].text;
  return "";
}

void RequireSame(const sim::Scenario &a, const sim::Scenario &b) {
  const std::string what = "formatted and parsed again";
  fuzz::Require(a.description == b.description, what + ": the description differs");
  fuzz::Require(a.step == b.step, what + ": STEP differs");
  fuzz::Require(a.gravity == b.gravity, what + ": GRAVITY differs");
  fuzz::Require(a.date == b.date, what + ": the date differs");
  fuzz::Require(a.time == b.time, what + ": the clock differs");
  fuzz::Require(a.focus == b.focus, what + ": the focus differs");
  fuzz::Require(a.displays.size() == b.displays.size(), what + ": the number of display blocks differs");
  for (size_t i = 0; i < a.displays.size(); ++i) {
    const sim::DisplayBlock &x = a.displays[i], &y = b.displays[i];
    fuzz::Require(x.position == y.position && x.type == y.type && x.mode == y.mode && x.lines == y.lines,
                  what + ": display block " + x.position + " differs");
  }
  fuzz::Require(a.modules.size() == b.modules.size(), what + ": the number of module blocks differs");
  for (size_t i = 0; i < a.modules.size(); ++i)
    fuzz::Require(a.modules[i].name == b.modules[i].name && a.modules[i].lines == b.modules[i].lines,
                  what + ": module block " + a.modules[i].name + " differs");
  fuzz::Require(a.ships.size() == b.ships.size(), what + ": the number of ships differs");
  for (size_t i = 0; i < a.ships.size(); ++i) {
    const std::string difference = CompareShip(a.ships[i], b.ships[i]);
    fuzz::Require(difference.empty(), what + ": ship " + a.ships[i].name + " differs in " + difference);
  }
}

// The text as the writer puts it: line ends of the first line everywhere, a line end at the end,
// no byte-order mark.
std::string Unified(std::string text) {
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  if (!text.empty() && text.back() != '\n') text += '\n';
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  try {
    sim::ParseClassConfig(text, "fuzz.cfg", "Fuzz");
  } catch (const sim::ScenarioError &) {
  }

  sim::Scenario scenario;
  try {
    scenario = sim::ParseScenario(text, "fuzz.scn");
  } catch (const sim::ScenarioError &) {
    return 0;
  }

  // A file with nothing in it (perhaps a byte-order mark) is the empty scenario, which formats as a
  // new file's outline; any other formats to its own text.
  const std::string formatted = sim::FormatScenario(scenario);
  const std::string unified = Unified(text);
  if (!unified.empty())
    fuzz::Require(Unified(formatted) == unified, "a parsed file does not format to its own text\n" + formatted);
  sim::Scenario again;
  try {
    again = sim::ParseScenario(formatted, "formatted.scn");
  } catch (const sim::ScenarioError &error) {
    fuzz::Fail(std::string("a formatted scenario does not parse: ") + error.what() + "\n" + formatted);
  }
  RequireSame(scenario, again);
  fuzz::Require(sim::FormatScenario(again) == formatted, "formatting is not stable");

  sim::World world;
  sim::ScenarioPlan plan;
  try {
    plan = sim::PopulateWorld(scenario, world);
  } catch (const sim::ScenarioError &error) {
    const std::string message = error.what();
    fuzz::Require(world.VesselCount() == 0, "a refused scenario left vessels in the world: " + message);
    return 0;
  }
  // Captured right after the load, a free ship gives back the numbers it was read with, and the
  // whole capture formats and parses again.
  const sim::Scenario captured = sim::CaptureWorld(world, &scenario);
  fuzz::Require(captured.step == scenario.step && captured.gravity == scenario.gravity &&
                    captured.date == scenario.date && captured.time == scenario.time,
                "captured after the load: the environment differs");
  for (size_t i = 0; i < scenario.ships.size(); ++i) {
    const sim::ShipState &read = scenario.ships[i];
    const sim::Vessel *vessel = plan.simulated[i] ? world.FindByName(read.name) : nullptr;
    if (vessel == nullptr || vessel->DockedIn() != nullptr || read.elements) continue;
    const sim::ShipState *back = nullptr;
    for (const sim::ShipState &ship : captured.ships)
      if (ship.name == read.name) back = &ship;
    fuzz::Require(back != nullptr, "captured after the load: ship " + read.name + " is missing");
    fuzz::Require(!read.rpos || Same(*back->rpos, *read.rpos), "captured after the load: RPOS of " + read.name);
    fuzz::Require(!read.arot || Same(*back->arot, *read.arot), "captured after the load: AROT of " + read.name);
    fuzz::Require(!read.vrot || Same(*back->vrot, *read.vrot), "captured after the load: VROT of " + read.name);
  }
  try {
    sim::ParseScenario(sim::FormatScenario(captured), "captured.scn");
  } catch (const sim::ScenarioError &error) {
    fuzz::Fail(std::string("a captured scenario does not parse: ") + error.what());
  }
  return 0;
}
