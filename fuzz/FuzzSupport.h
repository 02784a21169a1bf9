// What the fuzz programs share: a small world of vessels with the plug-in's registry and display,
// frames with the plug-in's per-frame callback, scenario block saves and loads, and the checks
// that end a run with a message and abort() when the plug-in or the host went wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/display/DisplayHost.h"
#include "sim/scenario/ScenarioFile.h"
#include "sim/world/World.h"

namespace fuzz {

// Prints the failed condition and aborts, so that the fuzzer keeps the input.
[[noreturn]] void Fail(const std::string &what);
inline void Require(bool condition, const std::string &what) {
  if (!condition) Fail(what);
}

// Text split at line ends, as a scenario stream hands lines to a reader.
std::vector<std::string> SplitLines(const uint8_t *data, size_t size);

// The plug-in loaded in-process: its display mode registered with `displays`, its registry made.
// The registry is destroyed (every link releases its objects) when the run ends.
class PluginRun {
public:
  explicit PluginRun(sim::DisplayHost &displays);
  ~PluginRun();
  PluginRun(const PluginRun &) = delete;
  PluginRun &operator=(const PluginRun &) = delete;

  // Replaces the registry by a fresh one, as after a restart of the host.
  void FreshRegistry();

private:
  sim::DisplayHost &displays;
};

// A vessel at rest at `pos` (global, m).
sim::Vessel *AddVessel(sim::World &world, const std::string &name, sim::Vec3 pos, double mass);
// The few vessels every program starts from: the focus vessel "Tug" with two docking ports and an
// attachment point, "Probe" 500 m ahead, a turned "Pod" with one port, and one whose name is
// longer than the plug-in's name buffers hold.
void AddStandardVessels(sim::World &world);

// One frame of the host with the plug-in's per-frame callback.
void Frame(sim::World &world);

// Opens the plug-in's display on the focus vessel (on none when the world has no vessel).
sim::DisplayHost::Display *OpenDisplay(sim::DisplayHost &displays, sim::World &world);

// The plug-in's block as the display writes it.
std::vector<std::string> WriteBlock(sim::DisplayHost &displays, const sim::DisplayHost::Display &display);
// Hands the display `lines` followed by the host's "END_MFD" line.
void ReadBlock(sim::DisplayHost &displays, sim::DisplayHost::Display &display, std::vector<std::string> lines);

// A real number written into a block and read back: the reader takes it in single precision,
// and not at all beyond the float's range.
void RequireReadBack(double written, double read, const std::string &what);

// Every number of every link and record finite, every vessel state finite, and the objects the
// links draw with exactly where the links say they are: one propellant resource and two
// thrusters per link with visuals on its host vessel, none elsewhere, no visuals on a link that
// is not connected, at most one exhaust stream per link, of finite size.
void CheckRegistry(const sim::World &world);
// A block as written: a line for every setup value and link, every number in it finite.
void CheckWrittenBlock(const std::vector<std::string> &lines);

}  // namespace fuzz
