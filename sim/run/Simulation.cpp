#include "sim/run/Simulation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "sim/run/PluginContract.h"
#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioStream.h"
#include "tetherblock/BlockFormat.h"

namespace sim {

namespace {

using plugin::modeName;

VESSEL *FocusInterface(World &world) { return world.Focus() ? world.Focus()->Interface() : nullptr; }

}  // namespace

Simulation::Simulation(const Options &options) : hostDir(options.hostDir) {
  scenario = LoadScenarioFile(options.scenarioPath);
  RequireShips(scenario);
  if (options.step) scenario.step = *options.step;
  std::error_code noFolder;
  if (!options.hostDir.empty() &&
      !std::filesystem::is_directory(std::filesystem::path(options.hostDir) / "Config" / "Vessels", noFolder))
    throw SimulationError("host folder '" + options.hostDir + "' has no Config/Vessels folder");
  ApplyBlockSettings(scenario, modeName, options.settings);

  // Modes are registered while the module loads, so the display host comes first.
  displays = std::make_unique<DisplayHost>();
  std::string error;
  module = PluginModule::Load(options.pluginPath, options.generation.value_or(DefaultHostGeneration()), options.steps,
                              error);
  if (!module) throw SimulationError(error);

  // Every vessel exists before a display is handed its block: the block re-ties tethers by name.
  world = std::make_unique<World>();
  VesselClasses classes(options.hostDir);
  plan = PopulateWorld(scenario, *world, classes);
  // The module reads its own block once the vessels exist, before any display reads its block:
  // a display's block, read after it, has the last word.
  module->LoadState(scenario);

  if (auto open = module->Callbacks().openRenderViewport) open(nullptr, 0, 0, FALSE);

  bool pluginDisplay = false;
  for (size_t i = 0; i < scenario.displays.size(); ++i) {
    const DisplayBlock &block = scenario.displays[i];
    if (displays->FindMode(block.mode) == nullptr) continue;
    DisplayHost::Display *display = displays->Open(block.mode, FocusInterface(*world), &error);
    if (display == nullptr) throw SimulationError("cannot open the " + block.mode + " display: " + error);
    blockOf[display] = i;
    ScenarioStream stream(LinesForReader(block));
    displays->ReadStatus(*display, stream.Handle());
    pluginDisplay = pluginDisplay || block.mode == modeName;
  }
  if (!pluginDisplay) {
    if (displays->FindMode(modeName) == nullptr)
      throw SimulationError("plug-in '" + options.pluginPath + "' registered no " + modeName + " display mode");
    DisplayHost::Display *display = displays->Open(modeName, FocusInterface(*world), &error);
    if (display == nullptr) throw SimulationError(std::string("cannot open the ") + modeName + " display: " + error);
    ScenarioStream stream;
    displays->WriteStatus(*display, stream.Handle());
    openedBlank[display] = stream.Written();
  }
}

Simulation::~Simulation() {
  Finish();
  // The displays' code lives in the module: they go before it is unloaded.
  displays->CloseAll();
  module.reset();
}

DisplayHost::Display *Simulation::FirstDisplay() { return displays->DisplayAt(0); }

bool Simulation::DeleteVessel(const std::string &name) {
  Vessel *vessel = world->FindByName(name);
  if (vessel == nullptr) return false;
  const bool hadFocus = world->Focus() == vessel;
  const size_t index = world->IndexOf(vessel);
  world->DeleteVessel(vessel);
  const size_t count = world->VesselCount();
  if (hadFocus && count > 0) world->SetFocus(world->VesselAt(std::min(index, count - 1)));
  return true;
}

bool Simulation::PressKey(DWORD key) {
  DisplayHost::Display *display = FirstDisplay();
  return display != nullptr && displays->PressKey(*display, key);
}

void Simulation::Frame(const std::vector<DWORD> &keys, const std::vector<std::string> &deletions) {
  if (broken) return;
  staleKey.reset();
  // A key that asks for a redraw leaves the display as it stood for the keys after it.
  std::optional<size_t> changedBy;
  DisplayHost::Display *display = FirstDisplay();
  for (size_t i = 0; i < keys.size(); ++i) {
    if (changedBy && !staleKey && display != nullptr && display->RedrawPending()) staleKey = StaleKey{i, *changedBy};
    const bool pending = display != nullptr && display->RedrawPending();
    PressKey(keys[i]);
    if (!changedBy && !pending && display != nullptr && display->RedrawPending()) changedBy = i;
  }
  static const ModuleCallbacks none{};
  struct Call {
    const ModuleCallbacks *callbacks;
    double simt, simdt;  // s
    double mjd;          // days
  } const call{finished ? &none : &module->Callbacks(), world->time, world->step,
               DateAt(scenario, world->time + world->step)};
  // World::Frame, with the callbacks called directly.
  world->ClearPluginForces();
  if (call.callbacks->preStep) call.callbacks->preStep(call.simt + call.simdt, call.simdt, call.mjd);
  if (call.callbacks->timestep) call.callbacks->timestep(call.simt + call.simdt, call.simdt, call.mjd);
  world->Advance();
  steppedLastFrame = !finished;
  if (call.callbacks->postStep) call.callbacks->postStep(call.simt + call.simdt, call.simdt, call.mjd);
  for (size_t i = 0; i < world->VesselCount(); ++i) {
    const Vessel &vessel = *world->VesselAt(i);
    const StateFault fault = FaultOf(vessel, world->gravityGM, world->step);
    if (fault == StateFault::None) continue;
    broken = Breakdown{fault, vessel.Name(), call.simt, world->time};
    return;
  }
  for (const std::string &name : deletions) DeleteVessel(name);
  displays->EndFrame(world->time);
}

std::string Simulation::Describe(const Breakdown &breakdown) const {
  const std::string vessel = "vessel \"" + breakdown.vessel + "\"";
  if (breakdown.fault == StateFault::NotFinite)
    return "the state of " + vessel + " is no longer finite after the frame from t = " + FormatSeconds(breakdown.from) +
           " s";
  char limit[32];
  std::snprintf(limit, sizeof limit, "%.4g", maxCoordinate);
  if (breakdown.fault == StateFault::OutOfRange)
    return vessel + " went out of range at t = " + FormatSeconds(breakdown.to) + " s: a position or velocity beyond " +
           limit + " m or m/s";
  const std::string body = plan.body != nullptr ? plan.body->name : "the central body";
  char radius[32];
  std::snprintf(radius, sizeof radius, "%.4g", CentreRadius(world->gravityGM.value_or(0), world->step));
  return vessel + " fell into the centre of " + body + " at t = " + FormatSeconds(breakdown.to) + " s: within " +
         radius + " m of it no step of " + FormatReal(world->step) + " s can follow it";
}

void Simulation::RedrawDisplays() { displays->RedrawAll(); }

void Simulation::RedrawDue() { displays->EndFrame(world->time); }

void Simulation::Finish() {
  if (finished) return;
  finished = true;
  if (auto close = module->Callbacks().closeRenderViewport) close();
}

std::vector<TetherSample> Simulation::Tethers() { return SampleTethers(); }

const std::vector<TetherSample> &Simulation::SampleTethers() {
  DisplayHost::Display *display = nullptr;
  for (size_t i = 0; i < displays->DisplayCount(); ++i)
    if (displays->DisplayAt(i)->GetMode().Name() == modeName) display = displays->DisplayAt(i);
  if (display == nullptr) {
    samples.clear();
    return samples;
  }

  // The plug-in's own record of its links, as it would save them.
  sampleBlock.KeepEntries();
  sampleBlock.ClearEntries();
  displays->WriteStatus(*display, sampleBlock.Handle());
  sampled.Clear();
  for (size_t i = 0; i < sampleBlock.EntryCount(); ++i) sampled.ReadEntry(sampleBlock.Entries()[i]);

  const tetherblock::LinkForce *forces = LinkForces();
  samples.resize(plugin::linkCount);
  for (int i = 0; i < plugin::linkCount; ++i) {
    const tetherblock::LinkRecord &r = sampled.records[i];
    TetherSample &t = samples[static_cast<size_t>(i)];
    t.link = i;
    t.connected = r.connected;
    t.ship1 = r.ship1;
    t.ship2 = r.ship2;
    t.length = r.length;
    t.force = r.force;
    t.reelSpeed = r.reelSpeed;
    t.spoolMode = r.spoolMode;
    t.distance = t.stretch = t.pull = 0;
    if (t.connected == 0) continue;
    // The host measures the geometry of every link whose two vessels exist, also of one tied from
    // a vessel to itself. A link one of whose vessels has gone since the last frame has nothing
    // left to measure and pulls nothing: the plug-in's next step disconnects it.
    const Vessel *v1 = world->FindByName(t.ship1), *v2 = world->FindByName(t.ship2);
    if (v1 == nullptr || v2 == nullptr) continue;
    const Vec3 p1 = v1->pos + v1->rot * Vec3{r.attach1[0], r.attach1[1], r.attach1[2]};
    const Vec3 p2 = v2->pos + v2->rot * Vec3{r.attach2[0], r.attach2[1], r.attach2[2]};
    t.distance = Length(p2 - p1);
    // A tether tied with no length (a block's "Length 0") has none until the plug-in's first step
    // gives it the shortest: until then there is no stretch to measure.
    t.stretch = t.length > 0 ? tetherblock::Stretch(t.distance, t.length) : 0;
    if (forces[i].added != 0)
      t.pull = 2 * Length(Vec3{forces[i].vessel1[0], forces[i].vessel1[1], forces[i].vessel1[2]});
  }
  return samples;
}

double Simulation::LinkPull(int link) {
  const tetherblock::LinkForce &f = LinkForces()[link];
  return f.added != 0 ? 2 * Length(Vec3{f.vessel1[0], f.vessel1[1], f.vessel1[2]}) : 0;
}

const tetherblock::LinkForce *Simulation::LinkForces() {
  for (tetherblock::LinkForce &f : linkForces) f = {};
  if (steppedLastFrame && module->Callbacks().linkForces != nullptr)
    module->Callbacks().linkForces(linkForces, plugin::linkCount);
  return linkForces;
}

Scenario Simulation::Capture() {
  // The loaded file's lines and blocks as they were; each open display's block as it writes it
  // now, in the place of the block it was restored from.
  Scenario saved = CaptureWorld(*world, &scenario);
  module->SaveState(saved);
  for (size_t i = 0; i < displays->DisplayCount(); ++i) {
    DisplayHost::Display *display = displays->DisplayAt(i);
    DisplayBlock block;
    auto known = blockOf.find(display);
    if (known != blockOf.end()) block.position = saved.displays[known->second].position;
    block.mode = display->GetMode().Name();
    ScenarioStream stream;
    displays->WriteStatus(*display, stream.Handle());
    block.lines = stream.Written();
    // A display the file had no block for adds none while it holds what it held when it opened.
    auto blank = openedBlank.find(display);
    if (known == blockOf.end() && blank != openedBlank.end() && blank->second == block.lines) continue;
    if (known != blockOf.end())
      saved.displays[known->second] = block;
    else
      saved.displays.push_back(block);
  }
  static const char *const names[] = {"Left", "Right", "Extra1", "Extra2", "Extra3", "Extra4"};
  for (DisplayBlock &block : saved.displays) {
    if (!block.position.empty()) continue;
    for (const char *name : names) {
      bool used = false;
      for (const DisplayBlock &other : saved.displays) used = used || other.position == name;
      if (!used) {
        block.position = name;
        break;
      }
    }
  }
  return saved;
}

void Simulation::Save(const std::string &path, bool durable) { SaveScenarioFile(path, Capture(), durable); }

}  // namespace sim
