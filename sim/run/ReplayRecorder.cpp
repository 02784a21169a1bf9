#include "sim/run/ReplayRecorder.h"

#include <algorithm>
#include <cmath>

#include "sim/run/Simulation.h"
#include "sim/world/SimTime.h"

namespace sim {

namespace {

template <class T>
void KeepEven(std::vector<T> &values, size_t firstIndex) {
  size_t kept = 0;
  for (size_t i = 0; i < values.size(); ++i)
    if ((firstIndex + i) % 2 == 0) values[kept++] = values[i];
  values.resize(kept);
}

}  // namespace

void QuaternionFromRotation(const Mat3 &r, double q[4]) {
  const double(&m)[3][3] = r.m;
  const double trace = m[0][0] + m[1][1] + m[2][2];
  // The largest of w, x, y, z is found from the diagonal and divides the others, so that no
  // component is taken from a difference of nearly equal numbers.
  if (trace > 0) {
    const double s = 2 * std::sqrt(trace + 1);
    q[3] = s / 4;
    q[0] = (m[2][1] - m[1][2]) / s;
    q[1] = (m[0][2] - m[2][0]) / s;
    q[2] = (m[1][0] - m[0][1]) / s;
  } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
    const double s = 2 * std::sqrt(1 + m[0][0] - m[1][1] - m[2][2]);
    q[3] = (m[2][1] - m[1][2]) / s;
    q[0] = s / 4;
    q[1] = (m[0][1] + m[1][0]) / s;
    q[2] = (m[0][2] + m[2][0]) / s;
  } else if (m[1][1] > m[2][2]) {
    const double s = 2 * std::sqrt(1 + m[1][1] - m[0][0] - m[2][2]);
    q[3] = (m[0][2] - m[2][0]) / s;
    q[0] = (m[0][1] + m[1][0]) / s;
    q[1] = s / 4;
    q[2] = (m[1][2] + m[2][1]) / s;
  } else {
    const double s = 2 * std::sqrt(1 + m[2][2] - m[0][0] - m[1][1]);
    q[3] = (m[1][0] - m[0][1]) / s;
    q[0] = (m[0][2] + m[2][0]) / s;
    q[1] = (m[1][2] + m[2][1]) / s;
    q[2] = s / 4;
  }
  const double norm = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  const double sign = q[3] < 0 ? -1.0 : 1.0;
  for (int i = 0; i < 4; ++i) q[i] *= sign / norm;
}

ReplayRecorder::ReplayRecorder(double interval, size_t limit)
    : every(interval), nextSample(interval), maxBytes(limit) {}

ReplayRecorder::~ReplayRecorder() { Detach(); }

void ReplayRecorder::Detach() {
  if (listening != nullptr) listening->SetRedrawListener({});
  listening = nullptr;
}

void ReplayRecorder::Start(Simulation &simulation) {
  World &world = simulation.GetWorld();
  startDate = DateAt(simulation.Loaded(), world.time);
  if (!simulation.HostDir().empty()) meshLibrary = std::make_unique<MeshLibrary>(simulation.HostDir());
  // The display was drawn when it opened, before anyone listened: its canvas still holds that.
  if (DisplayHost::Display *display = simulation.FirstDisplay()) Record(display->Surface(), world.time);
  DisplayHost &displays = simulation.Displays();
  Detach();
  displays.SetRedrawListener([this, &displays, &world](const DisplayHost::Display &display) {
    if (&display == displays.DisplayAt(0)) Record(display.Surface(), world.time);
  });
  listening = &displays;
  Sample(world, simulation.Tethers());
  nextSample = world.time + every;
}

void ReplayRecorder::AfterFrame(Simulation &simulation) {
  const double now = simulation.Time();
  if (!Reached(now, nextSample)) return;
  Sample(simulation.GetWorld(), simulation.Tethers());
  while (Reached(now, nextSample)) nextSample += every;
}

void ReplayRecorder::Finish(Simulation &simulation) {
  if (times.empty() || times.back() != simulation.Time()) Sample(simulation.GetWorld(), simulation.Tethers());
  Detach();
}

uint32_t ReplayRecorder::VesselId(const Vessel *vessel) {
  if (vessel == nullptr) return noVessel;
  auto known = vesselIds.find(vessel);
  if (known != vesselIds.end()) return known->second;
  const auto id = static_cast<uint32_t>(vessels.size());
  ReplayVessel entry;
  entry.name = vessel->Name();
  entry.className = vessel->ClassName();
  entry.mass = vessel->Mass();
  entry.pmi = vessel->pmi;
  entry.docks = vessel->docks;
  entry.firstSample = times.size() - 1;
  if (meshLibrary) entry.mesh = MeshOf(entry.name, entry.className);
  vessels.push_back(std::move(entry));
  vesselIds.emplace(vessel, id);
  return id;
}

int ReplayRecorder::MeshOf(const std::string &vesselName, const std::string &className) {
  std::string name, note;
  const Mesh *mesh = meshLibrary->ForClass(className, name, note);
  if (!note.empty()) {
    const std::string line = vesselName + " is drawn as a box: " + note;
    if (std::find(notes.begin(), notes.end(), line) == notes.end()) notes.push_back(line);
  }
  if (mesh == nullptr) return -1;
  for (size_t i = 0; i < meshes.size(); ++i)
    if (meshes[i].mesh == mesh) return static_cast<int>(i);
  meshes.push_back({name, mesh});
  meshBytes += mesh->VertexCount() * 6 * sizeof(float) + mesh->TriangleCount() * 3 * sizeof(uint32_t);
  return static_cast<int>(meshes.size() - 1);
}

uint8_t ReplayRecorder::TextureId(const std::string &name) {
  for (size_t i = 0; i < textureNames.size(); ++i)
    if (textureNames[i] == name) return static_cast<uint8_t>(i);
  // More names than an index holds share the last one; the host has three.
  if (textureNames.size() == 255) return 254;
  textureNames.push_back(name);
  return static_cast<uint8_t>(textureNames.size() - 1);
}

void ReplayRecorder::Sample(const World &world, const std::vector<TetherSample> &tethers) {
  step = world.step;
  gravityGM = world.gravityGM.value_or(0.0);
  times.push_back(world.time);
  focus.push_back(VesselId(world.Focus()));

  for (size_t i = 0; i < world.VesselCount(); ++i) {
    const Vessel *v = world.VesselAt(i);
    ReplayVessel &entry = vessels[VesselId(v)];
    entry.x.push_back(v->pos.x);
    entry.y.push_back(v->pos.y);
    entry.z.push_back(v->pos.z);
    double q[4];
    QuaternionFromRotation(v->rot, q);
    entry.qx.push_back(static_cast<float>(q[0]));
    entry.qy.push_back(static_cast<float>(q[1]));
    entry.qz.push_back(static_cast<float>(q[2]));
    entry.qw.push_back(static_cast<float>(q[3]));
  }

  for (int link = 0; link < linkCount; ++link) {
    const TetherSample *t = static_cast<size_t>(link) < tethers.size() ? &tethers[link] : nullptr;
    tetherConnected.push_back(t != nullptr && t->connected != 0 ? 1 : 0);
    tetherPull.push_back(t != nullptr ? static_cast<float>(t->pull) : 0.0f);
    tetherStretch.push_back(t != nullptr ? static_cast<float>(t->stretch) : 0.0f);
  }

  // Which tether a stream draws: each connected tether between two vessels that exist draws one
  // stream on its first vessel every frame, and the tethers are stepped in link order, so a
  // vessel's streams (kept in the order added) belong to its tethers in link order.
  std::unordered_map<const Vessel *, std::vector<int>> linksOf;
  for (const TetherSample &t : tethers) {
    if (t.connected == 0) continue;
    const Vessel *v1 = world.FindByName(t.ship1), *v2 = world.FindByName(t.ship2);
    if (v1 != nullptr && v2 != nullptr && v1 != v2) linksOf[v1].push_back(t.link);
  }
  for (size_t i = 0; i < world.VesselCount(); ++i) {
    const Vessel *v = world.VesselAt(i);
    const std::vector<int> *links = nullptr;
    auto found = linksOf.find(v);
    if (found != linksOf.end()) links = &found->second;
    size_t next = 0;
    for (const Exhaust &e : v->Exhausts()) {
      ReplayStream s;
      s.vessel = VesselId(v);
      s.link = links != nullptr && next < links->size() ? static_cast<int8_t>((*links)[next++]) : int8_t{-1};
      s.texture = TextureId(world.TextureName(e.texture));
      s.px = e.pos.x;
      s.py = e.pos.y;
      s.pz = e.pos.z;
      s.dx = static_cast<float>(e.dir.x);
      s.dy = static_cast<float>(e.dir.y);
      s.dz = static_cast<float>(e.dir.z);
      s.length = e.lscale;
      s.width = static_cast<float>(e.wscale);
      streams.push_back(s);
    }
  }
  streamStart.push_back(static_cast<uint32_t>(streams.size()));
  // Thinning keeps the samples at even places, so it waits for an odd count: the newest sample,
  // the one the next interval counts from, stays, and the samples stay evenly spaced.
  if (maxBytes > 0 && times.size() > 2 && times.size() % 2 == 1 && Bytes() > maxBytes) Thin();
}

size_t ReplayRecorder::Bytes() const {
  constexpr size_t perSample =
      sizeof(double) + 2 * sizeof(uint32_t) + linkCount * (sizeof(uint8_t) + 2 * sizeof(float));
  constexpr size_t perVesselSample = 3 * sizeof(double) + 4 * sizeof(float);
  size_t bytes = times.size() * perSample + streams.size() * sizeof(ReplayStream) + redrawBytes + meshBytes;
  for (const ReplayVessel &v : vessels)
    bytes += sizeof(ReplayVessel) + v.name.size() + v.className.size() + v.docks.size() * sizeof(DockingPort) +
             v.SampleCount() * perVesselSample;
  return bytes;
}

size_t ReplayRecorder::RedrawBytes(const ReplayRedraw &redraw) {
  size_t bytes = sizeof(ReplayRedraw);
  for (const ReplayRedraw::Run &run : redraw.runs) bytes += sizeof(run) + run.text.size();
  return bytes;
}

void ReplayRecorder::Record(const Canvas &canvas, double time) {
  displayWidth = canvas.Width();
  displayHeight = canvas.Height();
  cellWidth = canvas.CellWidth();
  cellHeight = canvas.CellHeight();
  ReplayRedraw redraw;
  redraw.time = time;
  redraw.samplesBefore = times.size();
  for (const TextRun &run : canvas.Runs()) {
    ReplayRedraw::Run r;
    r.x = run.x;
    r.y = run.y;
    r.text = run.text;
    for (char &c : r.text)
      if (c < ' ' || c > '~') c = '?';
    r.textColour = run.textColour;
    r.backColour = run.backColour;
    r.opaque = run.backMode == OPAQUE;
    redraw.runs.push_back(std::move(r));
  }
  auto same = [](const ReplayRedraw::Run &a, const ReplayRedraw::Run &b) {
    return a.x == b.x && a.y == b.y && a.text == b.text && a.textColour == b.textColour &&
           a.backColour == b.backColour && a.opaque == b.opaque;
  };
  // A redraw that shows what the last one showed adds nothing to watch.
  if (!redraws.empty() &&
      std::equal(redraws.back().runs.begin(), redraws.back().runs.end(), redraw.runs.begin(), redraw.runs.end(), same))
    return;
  redrawBytes += RedrawBytes(redraw);
  // Two redraws at one instant (keys pressed together): the screen after the last one counts. So
  // it does for two in one interval between samples, as the scene's one sample stands for the
  // interval, which bounds the redraws by the samples; the first screen stays as the start's.
  auto interval = [this](double t) { return std::floor((t - times.front()) / every); };
  const bool sameInterval = redraws.size() > 1 && !times.empty() && interval(redraws.back().time) == interval(time);
  if (!redraws.empty() && (redraws.back().time == time || sameInterval)) {
    redrawBytes -= RedrawBytes(redraws.back());
    redraws.back() = std::move(redraw);
  } else {
    redraws.push_back(std::move(redraw));
  }
}

void ReplayRecorder::Thin() {
  const size_t count = times.size();
  std::vector<uint32_t> oldStart = streamStart;
  std::vector<ReplayStream> keptStreams;
  streamStart.assign(1, 0);
  for (size_t i = 0; i < count; i += 2) {
    keptStreams.insert(keptStreams.end(), streams.begin() + oldStart[i], streams.begin() + oldStart[i + 1]);
    streamStart.push_back(static_cast<uint32_t>(keptStreams.size()));
  }
  streams = std::move(keptStreams);

  std::vector<uint8_t> connected;
  std::vector<float> pull, stretch;
  for (size_t i = 0; i < count; i += 2) {
    const size_t from = i * linkCount;
    connected.insert(connected.end(), tetherConnected.begin() + from, tetherConnected.begin() + from + linkCount);
    pull.insert(pull.end(), tetherPull.begin() + from, tetherPull.begin() + from + linkCount);
    stretch.insert(stretch.end(), tetherStretch.begin() + from, tetherStretch.begin() + from + linkCount);
  }
  tetherConnected = std::move(connected);
  tetherPull = std::move(pull);
  tetherStretch = std::move(stretch);

  for (ReplayVessel &v : vessels) {
    for (auto *values : {&v.x, &v.y, &v.z}) KeepEven(*values, v.firstSample);
    for (auto *values : {&v.qx, &v.qy, &v.qz, &v.qw}) KeepEven(*values, v.firstSample);
    v.firstSample = (v.firstSample + 1) / 2;
  }
  KeepEven(times, 0);
  KeepEven(focus, 0);

  every *= 2;
  // The display keeps the last redraw of each new interval, so that it changes no more often than
  // the scene; the first redraw stays as the screen of the start.
  std::vector<ReplayRedraw> kept;
  for (size_t i = 0; i < redraws.size(); ++i) {
    const bool last = i + 1 == redraws.size();
    const bool lastOfInterval = last || std::floor((redraws[i + 1].time - times.front()) / every) >
                                            std::floor((redraws[i].time - times.front()) / every);
    if (i == 0 || lastOfInterval) kept.push_back(std::move(redraws[i]));
  }
  // Of the samples before a redraw, those of even index stay.
  for (ReplayRedraw &redraw : kept) redraw.samplesBefore = (redraw.samplesBefore + 1) / 2;
  redraws = std::move(kept);
  redrawBytes = 0;
  for (const ReplayRedraw &redraw : redraws) redrawBytes += RedrawBytes(redraw);
}

}  // namespace sim
