#include "FuzzSupport.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "plugin/display/TetherDisplay.h"
#include "plugin/entry/Callbacks.h"
#include "plugin/registry/TetherData.h"
#include "sim/scenario/HostAngles.h"
#include "sim/scenario/ScenarioStream.h"

// The harness works the plug-in's code directly.
using namespace kestrane;

namespace fuzz {

namespace {

bool Finite(double x) { return std::isfinite(x); }
bool Finite(const VECTOR3 &v) { return Finite(v.x) && Finite(v.y) && Finite(v.z); }
bool Finite(const sim::Vec3 &v) { return Finite(v.x) && Finite(v.y) && Finite(v.z); }
bool Finite(const MATRIX3 &m) {
  for (double x : m.data)
    if (!Finite(x)) return false;
  return true;
}
bool Finite(const sim::Mat3 &m) {
  for (const auto &row : m.m)
    for (double x : row)
      if (!Finite(x)) return false;
  return true;
}

bool Terminated(const char *text, size_t size) { return std::memchr(text, '\0', size) != nullptr; }

std::string LinkName(int n) { return "link " + std::to_string(n); }

void CheckLink(int n, const TetherLink &link) {
  const std::string name = LinkName(n);
  Require(Terminated(link.ship1Name, sizeof link.ship1Name) && Terminated(link.ship2Name, sizeof link.ship2Name),
          name + ": a vessel name is not terminated");
  Require(Finite(link.length) && Finite(link.distance) && Finite(link.force) && Finite(link.pull) &&
              Finite(link.reelSpeed) && Finite(link.exhaustLength),
          name + ": a number is not finite");
  // A tie of length 0 (a setup length measured between coinciding vessels) has no finite stretch
  // at the connect nor in its first step, which measures before it raises the length to 10 m.
  Require(link.length == 0 || Finite(link.stretch) || !Finite(link.prevStretch),
          name + ": the stretch is not finite (length " + std::to_string(link.length) + " m, distance " +
              std::to_string(link.distance) + " m)");
  Require(Finite(link.attach1) && Finite(link.attach2), name + ": an attach point is not finite");
  Require(Finite(link.rotation1) && Finite(link.rotation2), name + ": a rotation is not finite");
  Require(link.pull >= 0, name + ": the tether pushes");
  Require(link.spoolMode == SpoolMode::Powered || link.spoolMode == SpoolMode::FreeSpooling,
          name + ": spool mode is neither 0 nor 1");
  if (link.connected != 1) {
    Require(!link.visualsCreated && !link.exhaustActive, name + ": drawing objects left on a link not connected");
  }
}

void CheckRecord(int n, const TetherRecord &record) {
  const std::string name = "record " + std::to_string(n);
  Require(Terminated(record.ship1, sizeof record.ship1) && Terminated(record.ship2, sizeof record.ship2),
          name + ": a vessel name is not terminated");
  Require(Finite(record.length) && Finite(record.force) && Finite(record.reelSpeed) && Finite(record.attach1) &&
              Finite(record.attach2),
          name + ": a number is not finite");
}

// The vessel's exhaust streams, whether it keeps them by id or in a list.
template <typename Entry>
const sim::Exhaust &AsExhaust(const Entry &entry) {
  if constexpr (std::is_same_v<Entry, sim::Exhaust>)
    return entry;
  else
    return entry.second;
}

// The links that keep their drawing objects on `vessel`.
void CheckDrawingObjects(const sim::Vessel &vessel, const TetherData &data) {
  const VESSEL *iface = const_cast<sim::Vessel &>(vessel).Interface();
  size_t withVisuals = 0, withExhaust = 0;
  for (int n = 0; n < TetherData::linkCount; ++n) {
    const TetherLink &link = *data.TM[n];
    if (link.hostVessel != iface) continue;
    if (link.visualsCreated) {
      ++withVisuals;
      Require(vessel.HasPropellant(static_cast<const sim::Propellant *>(link.propellant)) &&
                  vessel.HasThruster(static_cast<const sim::Thruster *>(link.thruster1)) &&
                  vessel.HasThruster(static_cast<const sim::Thruster *>(link.thruster2)),
              LinkName(n) + ": its drawing objects are not on its host vessel " + vessel.Name());
    }
    if (link.exhaustActive) {
      ++withExhaust;
      bool found = false;
      for (const auto &entry : vessel.Exhausts()) {
        const sim::Exhaust &stream = AsExhaust(entry);
        if (stream.id != link.exhaustId) continue;
        found = stream.thruster == link.thruster1;
        Require(Finite(stream.lscale) && Finite(stream.wscale) && stream.lscale >= 0 && stream.wscale >= 0,
                LinkName(n) + ": its exhaust stream has no finite size");
      }
      Require(found, LinkName(n) + ": its exhaust stream is not on its host vessel " + vessel.Name());
    }
  }
  Require(vessel.Propellants().size() == withVisuals && vessel.Thrusters().size() == 2 * withVisuals,
          "vessel " + vessel.Name() + " carries " + std::to_string(vessel.Propellants().size()) + " resources and " +
              std::to_string(vessel.Thrusters().size()) + " thrusters for " + std::to_string(withVisuals) + " links");
  Require(vessel.Exhausts().size() == withExhaust,
          "vessel " + vessel.Name() + " carries " + std::to_string(vessel.Exhausts().size()) + " exhaust streams for " +
              std::to_string(withExhaust) + " links");
}

}  // namespace

void Fail(const std::string &what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::abort();
}

std::vector<std::string> SplitLines(const uint8_t *data, size_t size) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < size) {
    const void *found = std::memchr(data + start, '\n', size - start);
    const size_t end = found ? static_cast<size_t>(static_cast<const uint8_t *>(found) - data) : size;
    lines.emplace_back(reinterpret_cast<const char *>(data) + start, end - start);
    start = end + 1;
  }
  return lines;
}

PluginRun::PluginRun(sim::DisplayHost &host) : displays(host) {
  opcDLLInit(nullptr);
  Require(tetherData != nullptr, "the plug-in made no registry");
  Require(displays.FindMode(modeName) != nullptr, "the plug-in registered no display mode");
}

PluginRun::~PluginRun() {
  // The displays' objects reach the registry: they close first.
  displays.CloseAll();
  opcDLLExit(nullptr);
}

void PluginRun::FreshRegistry() {
  delete tetherData;
  tetherData = new TetherData;
}

sim::Vessel *AddVessel(sim::World &world, const std::string &name, sim::Vec3 pos, double mass) {
  sim::Vessel *vessel = world.CreateVessel(name);
  Require(vessel != nullptr, "vessel " + name + " cannot be created");
  vessel->dryMass = mass;
  vessel->pos = pos;
  return vessel;
}

void AddStandardVessels(sim::World &world) {
  sim::Vessel *tug = AddVessel(world, "Tug", {0, 0, 0}, 12000);
  tug->pmi = {4, 4, 2};
  tug->docks.push_back({{0, 0, 8}, {0, 0, 1}, {0, 1, 0}});
  tug->docks.push_back({{0, 0, -8}, {0, 0, -1}, {0, 1, 0}});
  tug->attachments.push_back({{0, -2, 0}, {0, -1, 0}, {0, 0, 1}});
  AddVessel(world, "Probe", {0, 0, 500}, 800);
  sim::Vessel *pod = AddVessel(world, "Pod", {300, 40, 0}, 3000);
  pod->rot = sim::RotationFromAngles({0.3, -1.1, 2.0});
  pod->angVel = {0.01, 0.0, -0.02};
  pod->docks.push_back({{1, 2, 3}, {0, 1, 0}, {1, 0, 0}});
  AddVessel(world, std::string(150, 'L'), {-200, 0, 0}, 500);
  world.SetFocus(tug);
}

void Frame(sim::World &world) {
  world.Frame([&world] { opcTimestep(world.time, world.step, 0.0); });
}

sim::DisplayHost::Display *OpenDisplay(sim::DisplayHost &displays, sim::World &world) {
  std::string error;
  VESSEL *focus = world.Focus() != nullptr ? world.Focus()->Interface() : nullptr;
  sim::DisplayHost::Display *display = displays.Open(modeName, focus, &error);
  Require(display != nullptr, "the display does not open: " + error);
  return display;
}

std::vector<std::string> WriteBlock(sim::DisplayHost &displays, const sim::DisplayHost::Display &display) {
  sim::ScenarioStream stream;
  displays.WriteStatus(display, stream.Handle());
  return stream.Written();
}

void ReadBlock(sim::DisplayHost &displays, sim::DisplayHost::Display &display, std::vector<std::string> lines) {
  lines.push_back("END_MFD");
  sim::ScenarioStream stream(std::move(lines));
  displays.ReadStatus(display, stream.Handle());
}

void RequireReadBack(double written, double read, const std::string &what) {
  if (std::fabs(written) > FLT_MAX) return;
  // 2^-24 relative, with room.
  const double tolerance = 1e-6 * std::fabs(written) + 1e-30;
  Require(std::fabs(written - read) <= tolerance,
          what + " does not read back: " + std::to_string(written) + " became " + std::to_string(read));
}

void CheckRegistry(const sim::World &world) {
  Require(tetherData != nullptr, "no registry");
  const TetherData &data = *tetherData;
  for (int n = 0; n < TetherData::linkCount; ++n) {
    Require(data.TM[n] != nullptr, LinkName(n) + " is missing");
    CheckLink(n, *data.TM[n]);
    CheckRecord(n, data.records[n]);
  }
  Require(Finite(data.setupLength) && Finite(data.setupForce), "a setup value is not finite");
  Require(data.currentTether >= 0 && data.currentTether < TetherData::linkCount, "the current link is out of range");
  Require(data.attachTypeV1 >= 0 && data.attachTypeV1 <= 2 && data.attachTypeV2 >= 0 && data.attachTypeV2 <= 2,
          "an attach kind is out of range");
  Require(Terminated(data.thisShipName, sizeof data.thisShipName) &&
              Terminated(data.targetShipName, sizeof data.targetShipName),
          "a setup vessel name is not terminated");

  for (size_t i = 0; i < world.VesselCount(); ++i) {
    const sim::Vessel &vessel = *world.VesselAt(i);
    Require(Finite(vessel.pos) && Finite(vessel.vel) && Finite(vessel.rot) && Finite(vessel.angVel),
            "vessel " + vessel.Name() + ": its state is not finite");
    CheckDrawingObjects(vessel, data);
  }
}

void CheckWrittenBlock(const std::vector<std::string> &lines) {
  Require(lines.size() >= 16 && (lines.size() - 16) % 8 == 0,
          "the block has " + std::to_string(lines.size()) + " lines");
  for (const std::string &line : lines) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && line[i] == ' ') ++i;
      const size_t start = i;
      while (i < line.size() && line[i] != ' ') ++i;
      if (i > start) words.push_back(line.substr(start, i - start));
    }
    Require(!words.empty(), "the block holds an empty line");
    // Vessel names are words, not numbers.
    if (words[0] == "TetherData" && words.size() > 2 && (words[2] == "Ship1" || words[2] == "Ship2")) continue;
    // "inf" or "nan" would not read back.
    for (const std::string &word : words)
      Require(word.find("inf") == std::string::npos && word.find("nan") == std::string::npos,
              "the block holds a number that is not finite: " + line);
  }
}

}  // namespace fuzz
