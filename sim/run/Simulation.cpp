#include "sim/run/Simulation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "sim/scenario/ScenarioStream.h"
#include "sim/world/VesselIndex.h"

namespace sim {

namespace {

// The words of a line, one at a time; an empty word past the last.
class BlankSeparated {
public:
  explicit BlankSeparated(std::string_view text) : rest(text) {}
  std::string_view Next() {
    size_t start = 0;
    while (start < rest.size() && IsBlank(rest[start])) ++start;
    size_t end = start;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    const std::string_view word = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return word;
  }

private:
  static bool IsBlank(char c) { return c == ' ' || c == '\t'; }
  std::string_view rest;
};

// A whole word as a number; `value` is left as it was when the word is not one.
template <class Number>
bool ParseNumber(std::string_view word, Number &value) {
  Number parsed{};
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), parsed);
  if (error != std::errc() || end != word.data() + word.size() || word.empty()) return false;
  value = parsed;
  return true;
}

void ParseVector(BlankSeparated &words, Vec3 &v) {
  Vec3 read;
  if (ParseNumber(words.Next(), read.x) && ParseNumber(words.Next(), read.y) && ParseNumber(words.Next(), read.z))
    v = read;
}

// The display mode the plug-in registers.
constexpr const char *pluginModeName = "Kestrane";

VESSEL *FocusInterface(World &world) { return world.Focus() ? world.Focus()->Interface() : nullptr; }

}  // namespace

Simulation::Simulation(const Options &options) {
  scenario = LoadScenarioFile(options.scenarioPath);
  if (options.step) scenario.step = *options.step;
  std::error_code noFolder;
  if (!options.hostDir.empty() &&
      !std::filesystem::is_directory(std::filesystem::path(options.hostDir) / "Config" / "Vessels", noFolder))
    throw SimulationError("host folder '" + options.hostDir + "' has no Config/Vessels folder");
  ApplyBlockSettings(scenario, pluginModeName, options.settings);

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
    displays->Redraw(*display);
    pluginDisplay = pluginDisplay || block.mode == pluginModeName;
  }
  if (!pluginDisplay) {
    if (displays->FindMode(pluginModeName) == nullptr)
      throw SimulationError("plug-in '" + options.pluginPath + "' registered no " + pluginModeName + " display mode");
    DisplayHost::Display *display = displays->Open(pluginModeName, FocusInterface(*world), &error);
    if (display == nullptr) throw SimulationError(std::string("cannot open the ") + pluginModeName + " display: " + error);
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

void Simulation::Frame(const std::vector<DWORD> &keys) {
  for (DWORD key : keys) PressKey(key);
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
  if (call.callbacks->postStep) call.callbacks->postStep(call.simt + call.simdt, call.simdt, call.mjd);
}

void Simulation::RedrawDisplays() { displays->RedrawAll(); }

void Simulation::Finish() {
  if (finished) return;
  finished = true;
  if (auto close = module->Callbacks().closeRenderViewport) close();
}

std::vector<TetherSample> Simulation::Tethers() { return SampleTethers(); }

namespace {

// The words of an item, when it has exactly three: "TetherData", the link and the field.
bool ThreeWords(std::string_view item, std::string_view (&words)[3]) {
  BlankSeparated split(item);
  for (std::string_view &word : words)
    if ((word = split.Next()).empty()) return false;
  return split.Next().empty();
}

}  // namespace

void Simulation::ReadTetherLine(std::string_view line) {
  BlankSeparated words(line);
  int link = -1;
  if (words.Next() != "TetherData" || !ParseNumber(words.Next(), link) || link < 0 || link > 7) return;
  TetherSample &t = sampled[static_cast<size_t>(link)];
  const std::string_view field = words.Next();
  if (field == "CONNECT") ParseNumber(words.Next(), t.connected);
  else if (field == "Ship1") t.ship1 = words.Next();
  else if (field == "Ship2") t.ship2 = words.Next();
  else if (field == "Length") ParseNumber(words.Next(), t.length);
  else if (field == "Force") ParseNumber(words.Next(), t.force);
  else if (field == "Attach1") ParseVector(words, sampledAttach1[link]);
  else if (field == "Attach2") ParseVector(words, sampledAttach2[link]);
  else if (field == "SpoolMode") ParseNumber(words.Next(), t.spoolMode);
  else if (field == "ReelSpeed") ParseNumber(words.Next(), t.reelSpeed);
}

void Simulation::ReadTetherEntry(const ScenarioStream::Entry &entry) {
  // As ReadTetherLine reads the entry's line, without the text in between where the value is
  // what the field takes: an integer's decimal reads back as itself, a real's or a vector's
  // shortest text as the same doubles (their sign too, for a NaN), and a name is the value's
  // first word. Any other entry is read as its line.
  using Kind = ScenarioStream::Entry::Kind;
  // A line whose first word is the item's and not "TetherData" says nothing about the links.
  BlankSeparated itemWords(entry.item);
  const std::string_view first = itemWords.Next();
  if (!first.empty() && first != "TetherData") return;
  std::string_view words[3];
  int link = -1;
  if (ThreeWords(entry.item, words)) {
    if (!ParseNumber(words[1], link) || link < 0 || link > 7) return;
    TetherSample &t = sampled[static_cast<size_t>(link)];
    const std::string_view field = words[2];
    if (entry.kind == Kind::Integer && (field == "CONNECT" || field == "SpoolMode")) {
      (field == "CONNECT" ? t.connected : t.spoolMode) = entry.integer;
      return;
    }
    if (entry.kind == Kind::Text && (field == "Ship1" || field == "Ship2")) {
      BlankSeparated value(entry.text);
      (field == "Ship1" ? t.ship1 : t.ship2) = value.Next();
      return;
    }
    if (entry.kind == Kind::Real && (field == "Length" || field == "Force" || field == "ReelSpeed")) {
      (field == "Length" ? t.length : field == "Force" ? t.force : t.reelSpeed) = entry.real[0];
      return;
    }
    if (entry.kind == Kind::Vector && (field == "Attach1" || field == "Attach2")) {
      (field == "Attach1" ? sampledAttach1 : sampledAttach2)[link] = {entry.real[0], entry.real[1], entry.real[2]};
      return;
    }
  }
  ReadTetherLine(ScenarioStream::LineOf(entry));
}

const std::vector<TetherSample> &Simulation::SampleTethers() {
  DisplayHost::Display *display = nullptr;
  for (size_t i = 0; i < displays->DisplayCount(); ++i)
    if (displays->DisplayAt(i)->GetMode().Name() == pluginModeName) display = displays->DisplayAt(i);
  if (display == nullptr) {
    sampled.clear();
    return sampled;
  }

  // The plug-in's own record of its links, as it would save them.
  sampleBlock.KeepEntries();
  sampleBlock.ClearEntries();
  displays->WriteStatus(*display, sampleBlock.Handle());
  sampled.resize(8);
  for (int i = 0; i < 8; ++i) {
    TetherSample &t = sampled[static_cast<size_t>(i)];
    // Assigned field by field, so that the names keep their storage.
    t.link = i;
    t.connected = 0;
    t.ship1.clear();
    t.ship2.clear();
    t.length = t.distance = t.stretch = t.pull = t.force = t.reelSpeed = 0;
    t.spoolMode = 0;
    sampledAttach1[i] = sampledAttach2[i] = {};
  }
  for (size_t i = 0; i < sampleBlock.EntryCount(); ++i) ReadTetherEntry(sampleBlock.Entries()[i]);

  // The host measures the geometry of every link whose two vessels exist, also of one tied from a
  // vessel to itself.
  for (int i = 0; i < 8; ++i) {
    TetherSample &t = sampled[static_cast<size_t>(i)];
    if (t.connected == 0) continue;
    const Vessel *v1 = world->FindByName(t.ship1), *v2 = world->FindByName(t.ship2);
    if (v1 == nullptr || v2 == nullptr) continue;
    const Vec3 p1 = v1->pos + v1->rot * sampledAttach1[i];
    const Vec3 p2 = v2->pos + v2->rot * sampledAttach2[i];
    t.distance = Length(p2 - p1);
    t.stretch = t.distance / t.length * 100;
  }
  AttributePulls(sampled);
  return sampled;
}

void Simulation::AttributePulls(std::vector<TetherSample> &tethers) const {
  // In the last frame each connected link whose two vessels existed added two forces, in link
  // order: half the pull on vessel 1, then on vessel 2. One tied from a vessel to itself adds both
  // to that vessel; one whose vessel had gone added none. The pair a link added is recognised by
  // the names of the vessels it went to, which a vessel keeps when it is deleted after the frame;
  // links with the same two names resolve alike, so the pair never goes to the wrong link.
  const std::vector<World::AppliedForce> &applied = world->PluginForces();
  size_t next = 0;
  for (TetherSample &t : tethers) {
    if (t.connected == 0) continue;
    if (next + 1 < applied.size() && VesselIndex::SameName(applied[next].vessel->Name(), t.ship1) &&
        VesselIndex::SameName(applied[next + 1].vessel->Name(), t.ship2)) {
      t.pull = 2 * Length(applied[next].force);
      next += 2;
    }
  }
}

Scenario Simulation::Capture() {
  // The loaded file's lines and blocks as they were; each open display's block as it writes it
  // now, in the place of the block it was restored from.
  Scenario saved = CaptureWorld(*world, &scenario);
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
