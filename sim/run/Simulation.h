// One simulation run of the simulated host: the plug-in module loaded, a scenario's world
// populated, the plug-in's display open, and frames run in the host's order. Used by the command
// line (`kestrane-sim run` and `play`) and by tests.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/display/DisplayHost.h"
#include "sim/run/BlockSettings.h"
#include "sim/run/ModuleLoader.h"
#include "sim/run/TetherBlock.h"
#include "sim/scenario/ScenarioFile.h"
#include "sim/scenario/ScenarioStream.h"
#include "sim/scenario/ScenarioWorld.h"
#include "sim/world/StateCheck.h"
#include "sim/world/World.h"

namespace sim {

// A failure to set up or save a run, with a one-line reason.
class SimulationError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class Simulation {
public:
  struct Options {
    Options() = default;
    Options(std::string scenario, std::string plugin, std::optional<double> stepOverride = {},
            std::optional<HostGeneration> hostGeneration = {}, StepCallbacks stepCallbacks = StepCallbacks::Host)
        : scenarioPath(std::move(scenario)),
          pluginPath(std::move(plugin)),
          step(stepOverride),
          generation(hostGeneration),
          steps(stepCallbacks) {}

    std::string scenarioPath;
    std::string pluginPath;
    std::optional<double> step;  // s; overrides the scenario's
    // How the host loads, steps and unloads the module: the program's own generation when absent.
    std::optional<HostGeneration> generation;
    StepCallbacks steps = StepCallbacks::Host;
    std::string hostDir = {};                 // a host installation whose Config/Vessels classes ships may use
    std::vector<BlockSetting> settings = {};  // written into the plug-in's block before it is read
  };

  // Loads the module and the scenario, calls the open-viewport callback and opens the plug-in's
  // display (restored from the scenario's block when it has one). Throws SimulationError.
  explicit Simulation(const Options &options);
  // Ends the run if Finish was not called, closes the displays and unloads the module.
  ~Simulation();
  Simulation(const Simulation &) = delete;
  Simulation &operator=(const Simulation &) = delete;

  // One frame, as the host runs one: every key of `keys` (already due) goes to the first display,
  // each finding the display as it was last drawn; then the per-frame callbacks before the state
  // update (opcPreStep, then opcTimestep, as the host calls them), the host's forces and the
  // integration, then opcPostStep; then the vessels named in `deletions` go, as the host removes a
  // vessel at the end of the frame in which it was deleted; last the displays are drawn that are
  // due (DisplayHost::EndFrame). Nothing once a frame has broken down (Broken).
  void Frame(const std::vector<DWORD> &keys = {}, const std::vector<std::string> &deletions = {});

  // A key of the last frame that found the display not redrawn since an earlier key of the same
  // frame changed it: it acted on the display as it stood before that key.
  struct StaleKey {
    size_t key = 0;        // index into the frame's keys
    size_t changedBy = 0;  // the earlier key that asked for the redraw
  };
  // The first such key of the last frame, if any.
  const std::optional<StaleKey> &LastStaleKey() const { return staleKey; }

  // A frame that left a vessel in a state the next frame cannot carry on (StateCheck): the run
  // ends with it.
  struct Breakdown {
    StateFault fault = StateFault::None;
    std::string vessel;
    double from = 0, to = 0;  // s: the frame's start and end
  };
  const std::optional<Breakdown> &Broken() const { return broken; }
  // What happened, in one line: "vessel "Pod" fell into the centre of Earth at t = 61.2 s, ...".
  std::string Describe(const Breakdown &breakdown) const;
  // Deletes the vessel of that name (case-insensitive) now, between frames; false when no vessel
  // has it. When it had the focus, the focus passes to the vessel that takes its place in the
  // list, or to the new last vessel.
  bool DeleteVessel(const std::string &name);
  // Presses a key on the first open display now, between frames; true when the display consumed
  // it. The display is redrawn at the end of the next frame, or by RedrawDue.
  bool PressKey(DWORD key);
  // Redraws every open display.
  void RedrawDisplays();
  // Draws the displays that are due, as the end of a frame does; what a paused host does between
  // the frames it does not step.
  void RedrawDue();
  // Calls the close-viewport callback (the plug-in disconnects its tethers). Idempotent.
  void Finish();

  World &GetWorld() { return *world; }
  DisplayHost &Displays() { return *displays; }
  // The first open display, or null.
  DisplayHost::Display *FirstDisplay();
  double Time() const { return world->time; }
  const Scenario &Loaded() const { return scenario; }
  // The host installation the run's classes come from; empty for none.
  const std::string &HostDir() const { return hostDir; }
  // How many of the scenario's ships the world carries as read instead of simulating them.
  size_t CarriedCount() const { return plan.Carried(); }

  // The eight tethers as of now (empty when no display of the plug-in is open).
  std::vector<TetherSample> Tethers();
  // A link's pull in the last frame, N, as the module tells it (twice the force it added to vessel
  // 1); 0 when the link did not pull, or the module did not step in that frame or does not tell.
  double LinkPull(int link);
  // The same in storage the simulation keeps, good until the next call: a sample of the run
  // allocates nothing once warm.
  const std::vector<TetherSample> &SampleTethers();
  // The whole scenario as it stands, each open display's block from the plug-in.
  Scenario Capture();
  // Capture() written to `path` atomically; `durable` also waits until it is on the disk, so that
  // not even a power cut leaves less than the old file or the new one. Throws ScenarioError.
  void Save(const std::string &path, bool durable = false);

private:
  // The forces the module's links added in the last frame (all none when it did not step).
  const tetherblock::LinkForce *LinkForces();

  Scenario scenario;
  std::string hostDir;
  ScenarioPlan plan;
  // Destroyed in reverse: the world, then the displays (their code lives in the module), then
  // the module.
  std::unique_ptr<PluginModule> module;
  std::unique_ptr<DisplayHost> displays;
  std::unique_ptr<World> world;
  std::map<const DisplayHost::Display *, size_t> blockOf;  // a restored display's block in the scenario
  // What a display opened without a block wrote when it opened.
  std::map<const DisplayHost::Display *, std::vector<std::string>> openedBlank;
  bool finished = false;
  bool steppedLastFrame = true;  // no frame yet: the module's links have added nothing
  tetherblock::LinkForce linkForces[plugin::linkCount] = {};
  std::optional<Breakdown> broken;
  std::optional<StaleKey> staleKey;
  // SampleTethers's storage: the block as written, as read, and the samples.
  ScenarioStream sampleBlock;
  TetherBlock sampled;
  std::vector<TetherSample> samples;
};

}  // namespace sim
