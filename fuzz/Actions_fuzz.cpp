// Sequences of what a user and the host do to the plug-in, read from the input bytes: key presses
// on the plug-in's display (its 25 keys and some it does not take), frames, saves and loads of
// the display's block and of the whole scenario, deleting, creating and focusing vessels, the end
// of a run. After every action the registry, the links and the vessels must be sound (see
// CheckRegistry), and a load must tie again every tether that was tied between vessels that still
// exist.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "plugin/display/TetherDisplay.h"
#include "plugin/entry/Callbacks.h"
#include "plugin/registry/TetherData.h"
#include "plugin/tether/VesselLookup.h"
#include "sim/scenario/ScenarioWorld.h"

// The harness works the plug-in's code directly.
using namespace kestrane;

namespace {

// With KESTRANE_FUZZ_TRACE set, each action is printed, to follow a failing input by hand.
void Trace(const char *format, ...) __attribute__((format(printf, 1, 2)));
void Trace(const char *format, ...) {
  static const bool on = std::getenv("KESTRANE_FUZZ_TRACE") != nullptr;
  if (!on) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

// Bounds that keep every input short.
constexpr int maxActions = 300;
constexpr int maxKeyPresses = 2000;  // counting repeats
constexpr int maxFrames = 600;
constexpr int maxSaves = 12;  // of the block and of the whole scenario
constexpr size_t maxVessels = 8;

const DWORD keys[] = {
    // The display's commands.
    DIK_1, DIK_2, DIK_3, DIK_4, DIK_5, DIK_6, DIK_7, DIK_8, DIK_MINUS, DIK_EQUALS, DIK_U, DIK_I, DIK_O, DIK_LBRACKET,
    DIK_RBRACKET, DIK_A, DIK_S, DIK_J, DIK_K, DIK_L, DIK_SEMICOLON, DIK_APOSTROPHE, DIK_COMMA, DIK_PERIOD, DIK_SLASH,
    // Keys it leaves to the host, among and around its own.
    0, DIK_ESCAPE, DIK_9, DIK_0, DIK_Q, DIK_T, DIK_GRAVE, DIK_BACKSLASH, DIK_RSHIFT, DIK_SPACE, 0x80, 0xFF,
    0xFFFFFFFFu};
constexpr size_t keyCount = sizeof keys / sizeof keys[0];

const double steps[] = {0.02, 0.001, 0.1, 1.0};  // s

const char *const names[] = {"Tug", "Probe", "Pod", "Lander", "tug", "PROBE"};

enum Action { Press, PressRepeated, Frames, SaveBlock, SaveScenario, Delete, Create, Focus, EndRun, ActionCount };

// A tether that a load must tie again: saved as tied (the block holds the links as of the last
// frame), and its vessels still exist under its names.
struct Tie {
  int link;
  std::string ship1, ship2;
  double length, force, reelSpeed;
};

std::vector<Tie> TiesToKeep() {
  std::vector<Tie> ties;
  for (int n = 0; n < TetherData::linkCount; ++n) {
    const TetherRecord &record = tetherData->records[n];
    if (record.connected != 1) continue;
    VESSEL *v1 = FindVessel(record.ship1);
    VESSEL *v2 = FindVessel(record.ship2);
    if (v1 == nullptr || v2 == nullptr || v1 == v2) continue;
    ties.push_back({n, record.ship1, record.ship2, record.length, record.force, record.reelSpeed});
  }
  return ties;
}

void RequireTied(const std::vector<Tie> &ties) {
  for (const Tie &tie : ties) {
    const TetherLink &link = *tetherData->TM[tie.link];
    const std::string name = "link " + std::to_string(tie.link);
    fuzz::Require(link.connected == 1,
                  name + " between " + tie.ship1 + " and " + tie.ship2 + " is not tied after a load");
    fuzz::Require(link.ship1Name == tie.ship1 && link.ship2Name == tie.ship2, name + ": the names do not load back");
    fuzz::RequireReadBack(tie.length, link.length, name + " length");
    fuzz::RequireReadBack(tie.force, link.force, name + " force");
    fuzz::RequireReadBack(tie.reelSpeed, link.reelSpeed, name + " reel speed");
  }
}

struct VesselImage {
  std::string name;
  sim::Vec3 pos, vel;
};

class Harness {
public:
  explicit Harness(double step) : world(std::make_unique<sim::World>()) {
    fuzz::AddStandardVessels(*world);
    world->step = step;
    plugin = std::make_unique<fuzz::PluginRun>(displays);
    display = fuzz::OpenDisplay(displays, *world);
  }

  void PressKey(DWORD key) { displays.PressKey(*display, key); }

  void RunFrames(int count) {
    for (int i = 0; i < count; ++i) {
      fuzz::Frame(*world);
      for (int n = 0; n < TetherData::linkCount; ++n) {
        const TetherLink &link = *tetherData->TM[n];
        if (link.connected == 1)
          Trace("  t %g link %d %s-%s: length %g m, distance %g m, stretch %g %%, pull %g N\n", world->time, n,
                link.ship1Name, link.ship2Name, link.length, link.distance, link.stretch, link.pull);
      }
      fuzz::CheckRegistry(*world);
    }
    displays.RedrawAll();
  }

  // The display's block into a fresh registry, as after a restart with the same vessels.
  void SaveAndLoadBlock() {
    const std::vector<Tie> ties = TiesToKeep();
    const std::vector<std::string> block = fuzz::WriteBlock(displays, *display);
    fuzz::CheckWrittenBlock(block);
    plugin->FreshRegistry();
    fuzz::ReadBlock(displays, *display, block);
    RequireTied(ties);
  }

  // The whole scenario as the host saves it, parsed again and loaded into a fresh world and a
  // fresh registry.
  void SaveAndLoadScenario() {
    const std::vector<Tie> ties = TiesToKeep();
    sim::Scenario saved = sim::CaptureWorld(*world);
    sim::DisplayBlock block;
    block.position = "Left";
    block.mode = modeName;
    block.lines = fuzz::WriteBlock(displays, *display);
    fuzz::CheckWrittenBlock(block.lines);
    saved.displays.push_back(block);
    const std::string text = sim::FormatScenario(saved);
    sim::Scenario loaded;
    try {
      loaded = sim::ParseScenario(text, "saved.scn");
    } catch (const sim::ScenarioError &error) {
      fuzz::Fail(std::string("a saved scenario does not load: ") + error.what());
    }
    const double time = world->time;
    std::vector<VesselImage> vessels;
    for (size_t i = 0; i < world->VesselCount(); ++i) {
      const sim::Vessel &v = *world->VesselAt(i);
      vessels.push_back({v.Name(), v.pos, v.vel});
    }

    // The old registry lets go of its objects while its world still stands.
    displays.CloseAll();
    plugin->FreshRegistry();
    world.reset();
    world = std::make_unique<sim::World>();
    try {
      sim::PopulateWorld(loaded, *world);
    } catch (const sim::ScenarioError &error) {
      fuzz::Fail(std::string("a saved scenario does not populate a world: ") + error.what());
    }
    display = fuzz::OpenDisplay(displays, *world);
    fuzz::Require(loaded.displays.size() == 1, "the saved scenario lost its display block");
    fuzz::ReadBlock(displays, *display, loaded.displays[0].lines);

    fuzz::Require(world->VesselCount() == vessels.size(), "the number of vessels does not load back");
    // The date holds the time to a microsecond, a whole number of steps exactly.
    fuzz::Require(std::fabs(world->time - time) <= 1e-6, "the simulated time does not load back");
    for (size_t i = 0; i < vessels.size(); ++i) {
      const sim::Vessel &v = *world->VesselAt(i);
      fuzz::Require(v.Name() == vessels[i].name && v.pos.x == vessels[i].pos.x && v.pos.y == vessels[i].pos.y &&
                        v.pos.z == vessels[i].pos.z && v.vel.x == vessels[i].vel.x && v.vel.y == vessels[i].vel.y &&
                        v.vel.z == vessels[i].vel.z,
                    "vessel " + vessels[i].name + " does not load back");
    }
    RequireTied(ties);
  }

  void DeleteVessel(size_t index) {
    sim::Vessel *vessel = world->VesselAt(index);
    if (vessel == nullptr) return;
    // The host closes a display whose vessel goes, and the user opens one on the new focus.
    const bool ownDisplay = display->GetVessel() == vessel->Interface();
    world->DeleteVessel(vessel);
    if (ownDisplay) {
      displays.Close(display);
      display = fuzz::OpenDisplay(displays, *world);
    }
  }

  void CreateVessel(const char *name, sim::Vec3 pos) {
    if (world->VesselCount() >= maxVessels) return;
    if (sim::Vessel *vessel = world->CreateVessel(name)) vessel->pos = pos;
  }

  void SetFocus(size_t index) {
    if (sim::Vessel *vessel = world->VesselAt(index)) world->SetFocus(vessel);
  }

  void Check() { fuzz::CheckRegistry(*world); }

private:
  // The world outlives the plug-in's registry, whose links release their objects on it.
  std::unique_ptr<sim::World> world;
  sim::DisplayHost displays;
  std::unique_ptr<fuzz::PluginRun> plugin;
  sim::DisplayHost::Display *display = nullptr;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  Harness harness(steps[in.ConsumeIntegralInRange<size_t>(0, sizeof steps / sizeof steps[0] - 1)]);
  int presses = 0, frames = 0, saves = 0;
  for (int action = 0; action < maxActions && in.remaining_bytes() > 0; ++action) {
    const int kind = in.ConsumeIntegralInRange<int>(0, ActionCount - 1);
    switch (kind) {
      case Press:
      case PressRepeated: {
        const DWORD key = keys[in.ConsumeIntegralInRange<size_t>(0, keyCount - 1)];
        int repeat = kind == Press ? 1 : in.ConsumeIntegralInRange<int>(1, 256);
        Trace("press 0x%02X x%d\n", static_cast<unsigned>(key), repeat);
        for (; repeat > 0 && presses < maxKeyPresses; --repeat, ++presses) harness.PressKey(key);
        break;
      }
      case Frames: {
        const int count = std::min(in.ConsumeIntegralInRange<int>(1, 50), maxFrames - frames);
        Trace("%d frames\n", count);
        harness.RunFrames(count);
        frames += count;
        break;
      }
      case SaveBlock:
        if (saves++ >= maxSaves) break;
        Trace("save and load the block\n");
        harness.SaveAndLoadBlock();
        break;
      case SaveScenario:
        if (saves++ >= maxSaves) break;
        Trace("save and load the scenario\n");
        harness.SaveAndLoadScenario();
        break;
      case Delete: {
        const size_t index = in.ConsumeIntegralInRange<size_t>(0, maxVessels - 1);
        Trace("delete vessel %zu\n", index);
        harness.DeleteVessel(index);
        break;
      }
      case Create: {
        const char *name = names[in.ConsumeIntegralInRange<size_t>(0, sizeof names / sizeof names[0] - 1)];
        const sim::Vec3 pos{in.ConsumeIntegralInRange<int>(-2000, 2000) * 1.0,
                            in.ConsumeIntegralInRange<int>(-50, 50) * 1.0,
                            in.ConsumeIntegralInRange<int>(-2000, 2000) * 1.0};
        Trace("create %s at %g %g %g\n", name, pos.x, pos.y, pos.z);
        harness.CreateVessel(name, pos);
        break;
      }
      case Focus: {
        const size_t index = in.ConsumeIntegralInRange<size_t>(0, maxVessels - 1);
        Trace("focus vessel %zu\n", index);
        harness.SetFocus(index);
        break;
      }
      case EndRun:
        // The host ends the run and starts the next one in the same world: every tether lets go.
        Trace("end of the run\n");
        opcCloseRenderViewport();
        opcOpenRenderViewport(nullptr, 0, 0, FALSE);
        break;
      default:
        break;
    }
    harness.Check();
  }
  return 0;
}
