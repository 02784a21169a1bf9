// The host's scenario file reader fed arbitrary files. A file that parses must format to a text
// that parses to the same scenario, and must populate a world whose captured state is the
// scenario's own.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "sim/scenario/ScenarioFile.h"
#include "sim/world/World.h"

namespace {

bool Same(const sim::Vec3 &a, const sim::Vec3 &b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

template <typename Frame>
bool SameFrames(const std::vector<Frame> &a, const std::vector<Frame> &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!Same(a[i].pos, b[i].pos) || !Same(a[i].dir, b[i].dir) || !Same(a[i].rot, b[i].rot)) return false;
  return true;
}

// Empty when the ships are the same; otherwise what differs.
std::string CompareShip(const sim::ShipState &a, const sim::ShipState &b) {
  if (a.name != b.name || a.className != b.className) return "name or class";
  if (a.mass != b.mass) return "MASS";
  if (!Same(a.pmi, b.pmi)) return "PMI";
  if (!Same(a.rpos, b.rpos)) return "RPOS";
  if (!Same(a.rvel, b.rvel)) return "RVEL";
  if (!Same(a.arot, b.arot)) return "AROT";
  if (!Same(a.vrot, b.vrot)) return "VROT";
  if (!SameFrames(a.docks, b.docks)) return "DOCK";
  if (!SameFrames(a.attachments, b.attachments)) return "ATTACH";
  return "";
}

void RequireSameShips(const std::vector<sim::ShipState> &a, const std::vector<sim::ShipState> &b,
                      const std::string &what) {
  fuzz::Require(a.size() == b.size(), what + ": the number of ships differs");
  for (size_t i = 0; i < a.size(); ++i) {
    const std::string difference = CompareShip(a[i], b[i]);
    fuzz::Require(difference.empty(), what + ": ship " + a[i].name + " differs in " + difference);
  }
}

void RequireSame(const sim::Scenario &a, const sim::Scenario &b) {
  const std::string what = "formatted and parsed again";
  fuzz::Require(a.description == b.description, what + ": the description differs");
  fuzz::Require(a.step == b.step, what + ": STEP differs");
  fuzz::Require(a.gravity == b.gravity, what + ": GRAVITY differs");
  fuzz::Require(a.mjd == b.mjd, what + ": the date differs");
  fuzz::Require(a.focus == b.focus, what + ": the focus differs");
  fuzz::Require(a.displays.size() == b.displays.size(), what + ": the number of display blocks differs");
  for (size_t i = 0; i < a.displays.size(); ++i) {
    const sim::DisplayBlock &x = a.displays[i], &y = b.displays[i];
    fuzz::Require(x.position == y.position && x.type == y.type && x.mode == y.mode && x.lines == y.lines,
                  what + ": display block " + x.position + " differs");
  }
  RequireSameShips(a.ships, b.ships, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  sim::Scenario scenario;
  try {
    scenario = sim::ParseScenario(text, "fuzz.scn");
  } catch (const sim::ScenarioError &) {
    return 0;
  }

  const std::string formatted = sim::FormatScenario(scenario);
  sim::Scenario again;
  try {
    again = sim::ParseScenario(formatted, "formatted.scn");
  } catch (const sim::ScenarioError &error) {
    fuzz::Fail(std::string("a formatted scenario does not parse: ") + error.what() + "\n" + formatted);
  }
  RequireSame(scenario, again);
  fuzz::Require(sim::FormatScenario(again) == formatted, "formatting is not stable");

  sim::World world;
  try {
    sim::PopulateWorld(scenario, world);
  } catch (const sim::ScenarioError &error) {
    fuzz::Fail(std::string("a parsed scenario does not populate a world: ") + error.what());
  }
  // Captured right after the load, the world gives back the numbers it was loaded from.
  const sim::Scenario captured = sim::CaptureWorld(world, &scenario);
  RequireSameShips(scenario.ships, captured.ships, "captured after the load");
  fuzz::Require(captured.step == scenario.step && captured.gravity == scenario.gravity && captured.mjd == scenario.mjd,
                "captured after the load: the environment differs");
  return 0;
}
