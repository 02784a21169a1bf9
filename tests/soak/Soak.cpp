// kestrane-soak: a long run of the simulated host with the plug-in module loaded. Eight tethers
// connect, reel, free-spool and disconnect under a seeded pseudo-random sequence of display keys
// and focus changes, the same in every run. Every frame the vessels' state and the forces the
// plug-in added must be finite; every simulated second the plug-in's own block must hold finite
// numbers and the host's objects (propellant resources, thrusters, exhaust streams, vessels,
// displays) must match the tethers that are connected, so that nothing piles up. The program
// prints the frames, the object counts and the memory in use at the start and the end.
//
//   kestrane-soak [--frames N] [--seed S] [--scenario SCN] [--plugin PATH] [--rss-growth KB]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sim/run/Simulation.h"
#include "sim/scenario/ScenarioStream.h"
#include "sim/world/SimTime.h"

namespace {

// Seeded and self-contained, so the sequence does not depend on the standard library's engines.
class SplitMix64 {
public:
  explicit SplitMix64(uint64_t seed) : state(seed) {}
  uint64_t Next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. n − 1.
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }

private:
  uint64_t state;
};

// What the sequence does on a frame when it acts: one display key, or the host moving the focus
// (so that J ties tethers from every vessel, not only the one the scenario starts with). The
// weights keep the reel ladder and the force steps sign-symmetric, so that neither runs away.
struct Action {
  DWORD key;  // 0: move the focus to a vessel chosen at random
  unsigned weight;
  const char *name;
};

const Action actions[] = {
    {OAPI_KEY_COMMA, 4, "previous tether"},
    {OAPI_KEY_PERIOD, 4, "next tether"},
    {OAPI_KEY_I, 4, "reel in"},
    {OAPI_KEY_O, 4, "reel out"},
    {OAPI_KEY_S, 2, "spool mode"},
    {OAPI_KEY_U, 2, "disconnect"},
    {OAPI_KEY_J, 3, "connect"},
    {OAPI_KEY_MINUS, 2, "next target"},
    {OAPI_KEY_EQUALS, 2, "previous target"},
    {OAPI_KEY_K, 1, "link force down"},
    {OAPI_KEY_L, 1, "link force up"},
    {OAPI_KEY_LBRACKET, 1, "setup length down"},
    {OAPI_KEY_RBRACKET, 1, "setup length up"},
    {OAPI_KEY_SEMICOLON, 1, "setup force down"},
    {OAPI_KEY_APOSTROPHE, 1, "setup force up"},
    {OAPI_KEY_A, 1, "length from distance"},
    {OAPI_KEY_1, 1, "own at centre"},
    {OAPI_KEY_2, 1, "own at port"},
    {OAPI_KEY_7, 1, "own next port"},
    {OAPI_KEY_4, 1, "target at centre"},
    {OAPI_KEY_5, 1, "target at port"},
    {0, 1, "focus"},
};

// On average one action every this many frames: a second of simulated time at 0.02 s steps.
constexpr uint32_t framesPerAction = 50;
// The block and the host's objects are checked this often, frames.
constexpr long checkPeriod = 50;

struct Memory {
  long rssKb = -1, peakKb = -1;
};

Memory ReadMemory() {
  Memory memory;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) memory.rssKb = std::atol(line.c_str() + 6);
    if (line.rfind("VmHWM:", 0) == 0) memory.peakKb = std::atol(line.c_str() + 6);
  }
  return memory;
}

struct Counts {
  size_t vessels = 0, displays = 0, propellants = 0, thrusters = 0, exhausts = 0;
};

Counts CountObjects(sim::Simulation &simulation) {
  Counts counts;
  sim::World &world = simulation.GetWorld();
  counts.vessels = world.VesselCount();
  counts.displays = simulation.Displays().DisplayCount();
  for (size_t i = 0; i < world.VesselCount(); ++i) {
    const sim::Vessel &v = *world.VesselAt(i);
    // The vessel's own tanks come first; the rest are the plug-in's.
    counts.propellants += v.Propellants().size() - v.ownTanks;
    counts.thrusters += v.Thrusters().size();
    counts.exhausts += v.Exhausts().size();
  }
  return counts;
}

bool Finite(sim::Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Every number of every vessel's state; an empty text when all are finite.
std::string CheckVessels(const sim::World &world) {
  for (size_t i = 0; i < world.VesselCount(); ++i) {
    const sim::Vessel &v = *world.VesselAt(i);
    bool finite = Finite(v.pos) && Finite(v.vel) && Finite(v.angVel) && std::isfinite(v.Mass());
    for (const auto &row : v.rot.m)
      for (double value : row) finite = finite && std::isfinite(value);
    if (!finite) return "vessel " + v.Name() + " has a number that is not finite";
  }
  for (const sim::World::AppliedForce &f : world.PluginForces())
    if (!Finite(f.force) || !Finite(f.point)) return "the plug-in added a force that is not finite";
  return "";
}

// The plug-in's block as it would be saved.
std::vector<std::string> PluginBlock(sim::Simulation &simulation) {
  sim::DisplayHost::Display *display = simulation.FirstDisplay();
  if (display == nullptr) return {};
  sim::ScenarioStream stream;
  simulation.Displays().WriteStatus(*display, stream.Handle());
  return stream.Written();
}

struct LinkState {
  bool connected = false;
  bool freeSpooling = false;
  bool reeling = false;
};

struct BlockCheck {
  std::string problem;  // empty when every number is finite
  LinkState links[8];
};

// Every value in the block but the two vessel names must read as a finite number.
BlockCheck CheckBlock(const std::vector<std::string> &lines) {
  BlockCheck check;
  for (const std::string &line : lines) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    if (words.empty()) continue;
    size_t firstValue = 1;
    int link = -1;
    std::string field = words[0];
    if (words[0] == "TetherData") {
      if (words.size() < 4) {
        check.problem = "short line '" + line + "'";
        return check;
      }
      link = std::atoi(words[1].c_str());
      field = words[2];
      if (link < 0 || link > 7) {
        check.problem = "line of an unknown link '" + line + "'";
        return check;
      }
      if (field == "Ship1" || field == "Ship2") continue;
      firstValue = 3;
    }
    for (size_t i = firstValue; i < words.size(); ++i) {
      char *end = nullptr;
      const double value = std::strtod(words[i].c_str(), &end);
      if (*end != '\0' || !std::isfinite(value)) {
        check.problem = "not a finite number in '" + line + "'";
        return check;
      }
      if (link < 0) continue;
      if (field == "CONNECT") check.links[link].connected = value != 0;
      if (field == "SpoolMode") check.links[link].freeSpooling = value != 0;
      if (field == "ReelSpeed") check.links[link].reeling = value != 0;
    }
  }
  return check;
}

// Each connected tether keeps one propellant resource and two thrusters on the vessel that
// carries its drawing, and at most one exhaust stream; a disconnected one keeps nothing.
std::string CheckObjects(sim::Simulation &simulation, const BlockCheck &block, const Counts &start) {
  size_t connected = 0;
  for (const LinkState &link : block.links) connected += link.connected ? 1 : 0;
  const Counts now = CountObjects(simulation);
  char text[256];
  if (now.vessels != start.vessels || now.displays != start.displays) {
    std::snprintf(text, sizeof text, "vessels %zu and displays %zu, from %zu and %zu", now.vessels, now.displays,
                  start.vessels, start.displays);
    return text;
  }
  if (now.propellants != connected || now.thrusters != 2 * connected || now.exhausts > connected) {
    std::snprintf(text, sizeof text, "%zu tethers connected but %zu propellant resources, %zu thrusters, %zu exhausts",
                  connected, now.propellants, now.thrusters, now.exhausts);
    return text;
  }
  const sim::World &world = simulation.GetWorld();
  for (size_t i = 0; i < world.VesselCount(); ++i) {
    const sim::Vessel &v = *world.VesselAt(i);
    const size_t tethers = v.Propellants().size() - v.ownTanks;
    if (v.Thrusters().size() != 2 * tethers || v.Exhausts().size() > tethers)
      return "vessel " + v.Name() + " holds objects of no tether";
  }
  return "";
}

void PrintState(const char *label, long frame, sim::Simulation &simulation) {
  const Counts c = CountObjects(simulation);
  const Memory m = ReadMemory();
  std::printf(
      "%-6s frame %ld, t = %.2f s: vessels %zu, displays %zu, propellant resources %zu, thrusters %zu, "
      "exhaust streams %zu; VmRSS %ld kB, VmHWM %ld kB\n",
      label, frame, simulation.Time(), c.vessels, c.displays, c.propellants, c.thrusters, c.exhausts, m.rssKb,
      m.peakKb);
  std::fflush(stdout);
}

struct Options {
  long frames = 10000000;
  uint64_t seed = 1;
  std::string scenario = KESTRANE_SCENARIOS "/eight.scn";
  std::string plugin = KESTRANE_MODULE;
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer's quarantine holds freed memory back: resident memory says nothing here.
  long rssGrowthKb = -1;
#else
  long rssGrowthKb = 2048;  // allowed growth of resident memory after the warm-up; −1: not checked
#endif
};

bool ParseOptions(int argc, char **argv, Options &options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    const char *value = argv[++i];
    char *end = nullptr;
    if (arg == "--frames") {
      options.frames = std::strtol(value, &end, 10);
      if (*end != '\0' || options.frames <= 0) return false;
    } else if (arg == "--seed") {
      options.seed = std::strtoull(value, &end, 10);
      if (*end != '\0') return false;
    } else if (arg == "--rss-growth") {
      options.rssGrowthKb = std::strtol(value, &end, 10);
      if (*end != '\0') return false;
    } else if (arg == "--scenario") {
      options.scenario = value;
    } else if (arg == "--plugin") {
      options.plugin = value;
    } else {
      return false;
    }
  }
  return true;
}

int Fail(long frame, double time, const std::string &problem) {
  std::printf("FAIL at frame %ld, t = %.2f s: %s\n", frame, time, problem.c_str());
  return 1;
}

}  // namespace

int main(int argc, char **argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: kestrane-soak [--frames N] [--seed S] [--scenario SCN] [--plugin PATH] [--rss-growth KB]\n");
    return 2;
  }
  std::unique_ptr<sim::Simulation> simulation;
  try {
    simulation = std::make_unique<sim::Simulation>(sim::Simulation::Options{options.scenario, options.plugin, {}});
  } catch (const std::exception &e) {
    std::fprintf(stderr, "kestrane-soak: %s\n", e.what());
    return 2;
  }
  sim::World &world = simulation->GetWorld();
  std::printf("kestrane-soak: %s, seed %llu, %ld frames of %g s\n", options.scenario.c_str(),
              static_cast<unsigned long long>(options.seed), options.frames, world.step);

  unsigned totalWeight = 0;
  for (const Action &a : actions) totalWeight += a.weight;
  SplitMix64 random(options.seed);
  const auto wallStart = std::chrono::steady_clock::now();

  // The objects as the scenario's tethers left them after their first frame.
  simulation->Frame();
  const Counts start = CountObjects(*simulation);
  PrintState("start", 1, *simulation);
  const long warmUp = std::min(options.frames / 10, 100000L);
  Memory warm = ReadMemory();

  long pressed = 0, connections = 0, disconnections = 0, freeSpoolingSeen = 0, reelingSeen = 0;
  bool wasConnected[8] = {};
  for (long frame = 1; frame < options.frames; ++frame) {
    if (random.Below(framesPerAction) == 0) {
      uint32_t pick = random.Below(totalWeight);
      const Action *action = actions;
      while (pick >= action->weight) pick -= (action++)->weight;
      if (action->key != 0) {
        simulation->PressKey(action->key);
      } else {
        world.SetFocus(world.VesselAt(random.Below(static_cast<uint32_t>(world.VesselCount()))));
      }
      ++pressed;
    }
    simulation->Frame();

    std::string problem = CheckVessels(world);
    if (problem.empty() && frame % checkPeriod == 0) {
      const BlockCheck block = CheckBlock(PluginBlock(*simulation));
      problem = block.problem.empty() ? CheckObjects(*simulation, block, start) : block.problem;
      for (int i = 0; i < 8; ++i) {
        const LinkState &link = block.links[i];
        if (link.connected && !wasConnected[i]) ++connections;
        if (!link.connected && wasConnected[i]) ++disconnections;
        wasConnected[i] = link.connected;
        freeSpoolingSeen += link.connected && link.freeSpooling ? 1 : 0;
        reelingSeen += link.connected && !link.freeSpooling && link.reeling ? 1 : 0;
      }
    }
    if (!problem.empty()) return Fail(frame, simulation->Time(), problem);
    if (frame == warmUp) warm = ReadMemory();
  }
  const Memory end = ReadMemory();
  PrintState("end", options.frames, *simulation);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  std::printf(
      "%ld actions; tethers seen: %ld connections, %ld disconnections, free-spooling in %ld and reeling in "
      "%ld link-seconds; %.1f s of wall time\n",
      pressed, connections, disconnections, freeSpoolingSeen, reelingSeen, wall);

  double farthest = 0, fastest = 0;
  for (size_t i = 0; i < world.VesselCount(); ++i) {
    farthest = std::max(farthest, sim::Length(world.VesselAt(i)->pos));
    fastest = std::max(fastest, sim::Length(world.VesselAt(i)->vel));
  }
  std::printf("farthest vessel %.6g m from the origin, fastest %.6g m/s\n", farthest, fastest);

  const Counts last = CountObjects(*simulation);
  if (last.propellants > start.propellants || last.thrusters > start.thrusters || last.exhausts > start.exhausts)
    return Fail(options.frames, simulation->Time(), "the host holds more objects than at the start");
  if (options.rssGrowthKb >= 0 && end.rssKb - warm.rssKb > options.rssGrowthKb) {
    char text[128];
    std::snprintf(text, sizeof text, "resident memory grew by %ld kB after the warm-up (VmRSS %ld kB at frame %ld)",
                  end.rssKb - warm.rssKb, warm.rssKb, warmUp);
    return Fail(options.frames, simulation->Time(), text);
  }
  // The run ends as a real one does: the close-viewport callback, then the module is unloaded.
  simulation.reset();
  std::printf("OK\n");
  return 0;
}
