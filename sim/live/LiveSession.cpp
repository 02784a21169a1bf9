#include "sim/live/LiveSession.h"

#include <sys/stat.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "sim/run/BlockWarnings.h"
#include "sim/run/PluginContract.h"
#include "sim/run/Recorder.h"
#include "sim/run/ReplayRecorder.h"
#include "sim/scenario/NumberFormat.h"
#include "sim/world/SimTime.h"

namespace sim {

namespace {

// Where the session keeps its files: the browser's program has a file system of its own, in memory.
constexpr const char *folder = "/live";

// The history's samples, s apart, and the memory it keeps at most, bytes: an hour of eight.scn
// before it thins.
constexpr double historyEvery = 0.1;
constexpr size_t historyBytes = size_t{32} << 20;

std::string JsonString(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonNumber(double value) { return std::isfinite(value) ? FormatReal(value) : "null"; }

std::string JsonVector(const Vec3 &v) {
  return "[" + JsonNumber(v.x) + "," + JsonNumber(v.y) + "," + JsonNumber(v.z) + "]";
}

template <class Items, class Format>
std::string JsonList(const Items &items, Format format) {
  std::string out = "[";
  for (const auto &item : items) out += (out.size() > 1 ? "," : "") + format(item);
  return out + "]";
}

std::string ReadFile(const std::string &file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file name of `name`, without its folder: the session keeps the scenario in its own folder.
std::string FileName(const std::string &name) {
  const size_t slash = name.find_last_of("/\\");
  std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
  return file.empty() || file == "." || file == ".." ? "scenario.scn" : file;
}

}  // namespace

LiveSession::LiveSession(const std::string &name, const std::string &text)
    : path(std::string(folder) + "/" + FileName(name)) {
  mkdir(folder, 0755);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw SimulationError("cannot keep the scenario '" + name + "' in memory");
  }
  simulation = std::make_unique<Simulation>(Simulation::Options{path, pluginFile});
  history = std::make_unique<ReplayRecorder>(historyEvery, historyBytes);
  history->Start(*simulation);
  warnings = ScenarioBlockWarnings(simulation->Loaded(), plugin::modeName);
}

LiveSession::~LiveSession() {
  history.reset();
  std::remove(path.c_str());
}

void LiveSession::Queue(DWORD key) { queued.push_back(key); }

void LiveSession::PressQueued() {
  for (DWORD key : queued) simulation->PressKey(key);
  queued.clear();
  // With the clock stopped no frame ends to redraw the display that a key changed.
  simulation->RedrawDue();
}

void LiveSession::Frames(int count) {
  for (int i = 0; i < count && broken.empty(); ++i) {
    simulation->Frame(queued);
    queued.clear();
    if (const std::optional<Simulation::Breakdown> &fault = simulation->Broken()) {
      broken = simulation->Describe(*fault);
      return;
    }
    history->AfterFrame(*simulation);
  }
}

double LiveSession::Time() const { return simulation->Time(); }

double LiveSession::Step() const { return const_cast<Simulation &>(*simulation).GetWorld().step; }

std::string LiveSession::Describe() const {
  Simulation &run = *simulation;
  const World &world = run.GetWorld();
  std::vector<const Vessel *> vessels;
  for (size_t i = 0; i < world.VesselCount(); ++i) vessels.push_back(world.VesselAt(i));
  const std::string vesselList = JsonList(vessels, [](const Vessel *v) {
    const std::string docks = JsonList(v->docks, [](const DockingPort &d) {
      return "{\"pos\":" + JsonVector(d.pos) + ",\"dir\":" + JsonVector(d.dir) + ",\"rot\":" + JsonVector(d.rot) + "}";
    });
    return "{\"name\":" + JsonString(v->Name()) + ",\"className\":" + JsonString(v->ClassName()) +
           ",\"mass\":" + JsonNumber(v->Mass()) + ",\"pmi\":" + JsonVector(v->pmi) + ",\"docks\":" + docks + "}";
  });
  DisplayGeometry geometry;
  if (const DisplayHost::Display *display = run.FirstDisplay()) geometry = display->Size();
  return "{\"title\":" + JsonString(FileName(path)) + ",\"description\":" + JsonString(run.Loaded().description) +
         ",\"step\":" + JsonNumber(world.step) + ",\"gravityGM\":" + JsonNumber(world.gravityGM.value_or(0.0)) +
         ",\"links\":" + std::to_string(plugin::linkCount) +
         ",\"display\":{\"width\":" + std::to_string(geometry.width) +
         ",\"height\":" + std::to_string(geometry.height) + ",\"cellWidth\":" + std::to_string(geometry.cellWidth) +
         ",\"cellHeight\":" + std::to_string(geometry.cellHeight) +
         ",\"buttonsPerSide\":" + std::to_string(geometry.buttonsPerSide) +
         "},\"warnings\":" + JsonList(warnings, JsonString) + ",\"carried\":" + std::to_string(run.CarriedCount()) +
         ",\"vessels\":" + vesselList + "}";
}

const std::vector<double> &LiveSession::State() {
  const World &world = simulation->GetWorld();
  const std::vector<TetherSample> &tethers = simulation->SampleTethers();
  // The streams as a replay's sample holds them: which tether each draws is the recorder's to say.
  ReplayRecorder sample(1.0);
  sample.Sample(world, tethers);
  const std::vector<ReplayVessel> &sampled = sample.Vessels();
  const std::vector<ReplayStream> &streams = sample.Streams();

  state.clear();
  state.push_back(world.time);
  state.push_back(DateAt(simulation->Loaded(), world.time));
  state.push_back(world.Focus() != nullptr ? static_cast<double>(world.IndexOf(world.Focus())) : -1.0);
  state.push_back(static_cast<double>(world.VesselCount()));
  state.push_back(static_cast<double>(streams.size()));
  for (const std::string &name : sample.TextureNames())
    if (std::find(textures.begin(), textures.end(), name) == textures.end()) textures.push_back(name);
  state.push_back(static_cast<double>(textures.size()));
  for (size_t i = 0; i < world.VesselCount(); ++i) {
    const Vessel *v = world.VesselAt(i);
    double q[4];
    QuaternionFromRotation(v->rot, q);
    state.insert(state.end(), {v->pos.x, v->pos.y, v->pos.z, v->vel.x, v->vel.y, v->vel.z, q[0], q[1], q[2], q[3]});
  }
  for (int link = 0; link < plugin::linkCount; ++link) {
    const TetherSample *t = static_cast<size_t>(link) < tethers.size() ? &tethers[link] : nullptr;
    state.insert(state.end(), {t != nullptr && t->connected != 0 ? 1.0 : 0.0, t != nullptr ? t->pull : 0.0,
                               t != nullptr ? t->stretch : 0.0});
  }
  for (const ReplayStream &s : streams) {
    const Vessel *v = world.FindByName(sampled[s.vessel].name);
    const std::string &texture = sample.TextureNames()[s.texture];
    const auto textureIndex = std::find(textures.begin(), textures.end(), texture) - textures.begin();
    state.insert(state.end(),
                 {static_cast<double>(world.IndexOf(v)), static_cast<double>(s.link), static_cast<double>(textureIndex),
                  s.px, s.py, s.pz, s.dx, s.dy, s.dz, s.length, s.width});
  }
  return state;
}

std::string LiveSession::TextureNames() const { return JsonList(textures, JsonString); }

std::string LiveSession::Screen() {
  DisplayHost::Display *display = simulation->FirstDisplay();
  if (display == nullptr) return "null";
  const Canvas &canvas = display->Surface();
  std::string runs = "[";
  for (const TextRun &run : canvas.Runs()) {
    std::string text = run.text;
    // What the screen shows of a byte that is no printable character.
    for (char &c : text)
      if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e) c = '?';
    runs += (runs.size() > 1 ? "," : "") + std::string("[") + std::to_string(run.x) + "," + std::to_string(run.y) +
            "," + JsonString(text) + "," + std::to_string(run.textColour) + "," + std::to_string(run.backColour) + "," +
            (run.backMode == OPAQUE ? "true" : "false") + "]";
  }
  runs += "]";
  std::vector<std::string> labels;
  for (int b = 0; b < 2 * display->Size().buttonsPerSide; ++b)
    labels.push_back(simulation->Displays().ButtonLabel(*display, b));
  return "{\"runs\":" + runs + ",\"rows\":" + JsonList(canvas.Rows(), JsonString) +
         ",\"labels\":" + JsonList(labels, JsonString) + ",\"page\":" + std::to_string(display->ButtonPage()) +
         ",\"menu\":" + (display->MenuShown() ? "true" : "false") +
         ",\"redraws\":" + std::to_string(display->RedrawCount()) + "}";
}

int LiveSession::Redraws() {
  const DisplayHost::Display *display = simulation->FirstDisplay();
  return display != nullptr ? display->RedrawCount() : 0;
}

std::string LiveSession::Save() { return FormatScenario(simulation->Capture()); }

std::string LiveSession::SampleCsv() {
  const std::string tetherFile = std::string(folder) + "/tethers.csv",
                    vesselFile = std::string(folder) + "/vessels.csv";
  Recorder recorder;
  std::vector<std::string> notes, errors;
  std::string error;
  if (!recorder.Open(tetherFile, vesselFile, std::nullopt, notes, error)) return "";
  recorder.Sample(*simulation);
  recorder.Close(errors);
  std::string text = ReadFile(tetherFile) + "\n" + ReadFile(vesselFile);
  std::remove(tetherFile.c_str());
  std::remove(vesselFile.c_str());
  return text;
}

}  // namespace sim
