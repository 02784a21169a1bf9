// The recorder, a plug-in module of the real host that writes a run's vessels and tethers in
// kestrane-sim's CSV files, through the host's public API only. The host loads it with
// --plugin=Recorder, ahead of Kestrane, and hands it its block of the scenario (RecorderSettings.h).
//
// With a frames file it also times the host's frames (FrameTimer).
//
// The host shows a frame's new state only after the frame, so the state at the start of a frame is
// sampled in that frame's opcPreStep, before any plug-in's forces, and the last state when the
// session ends. Tethers are sampled from Kestrane's own scenario block: the host saves the scenario
// (as a quick-save does) and the block is read back, as kestrane-sim samples the plug-in's block;
// the distance between the attach points and the pull come from the vessels. The last sample reads
// the scenario the host itself saved at the end.
//
// With a graphics client that draws the scene, it also takes the run's shots: at the start of a
// frame the render window still holds the frame drawn at the end of the last one, which shows the
// state the frame starts from, seen by the camera as it is now. It logs the frame rate at the end.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Orbitersdk.h"

#include "CsvRows.h"
#include "KeySchedule.h"
#include "RecorderSettings.h"
#include "SampleClock.h"
#include "ShotGeometry.h"
#include "TetherBlock.h"

namespace recorder {

namespace {

// The scenario the recorder has the host save at each sample, and the one the host saves at the end
// (both under its Scenarios folder).
constexpr const char *sampleScenario = "Recorder sample";
constexpr const char *endScenario = "(Current state)";

void Log(const std::string &line) { oapiWriteLogV("Recorder: %s", line.c_str()); }

// A failure, in a log line of its own that a run's check finds.
void Fail(const std::string &reason) { Log("error: " + reason); }

std::string ScenarioPath(const char *name) { return std::string("Scenarios\\") + name + ".scn"; }

// The links as Kestrane's block in a scenario says, saved by the host now (`save`) or before; none,
// with the reason logged, when the block cannot be read.
std::optional<std::vector<LinkRecord>> Links(const char *scenario, bool save, const std::string &block) {
  if (save && !oapiSaveScenario(scenario, "Recorder: the tethers at a sample")) {
    Fail("the sample was not saved");
    return std::nullopt;
  }
  std::ifstream file(ScenarioPath(scenario), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  auto links = ReadTetherBlock(text.str(), block);
  if (!links) Fail("'" + ScenarioPath(scenario) + "' holds no BEGIN_" + block + " block");
  return links;
}

double WallSeconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Takes the run's shots: each at the first frame start at or after its time, when the render window
// shows the state at that time, with the file of what the picture shows where (ShotGeometry.h).
class Shooter {
public:
  Shooter(std::vector<ShotRequest> asked, std::string moduleBlock)
      : shots(std::move(asked)), block(std::move(moduleBlock)) {
    std::stable_sort(shots.begin(), shots.end(),
                     [](const ShotRequest &a, const ShotRequest &b) { return a.time < b.time; });
  }

  // Whether a shot was taken at the start of this frame (frame 1 the first).
  bool Frame(double simt, double simdt, int frame, bool drawn) {
    bool took = false;
    // The first frame starts before anything was drawn.
    while (next < shots.size() && frame > 1 && Reached(simt, shots[next].time)) {
      if (!drawn) {
        Fail("no graphics client draws the scene: the shot '" + shots[next].path + "' is not taken");
        next = shots.size();
        break;
      }
      Take(shots[next++], SampleClock::OnSteps(simt, simdt), frame);
      took = true;
    }
    return took;
  }

  void End() {
    for (; next < shots.size(); ++next)
      Fail("the run ended before " + FormatReal(shots[next].time) + " s: the shot '" + shots[next].path +
           "' is not taken");
  }

private:
  static bool Reached(double time, double target) { return time >= target - 1e-9 * std::max(1.0, std::fabs(target)); }

  void Take(const ShotRequest &shot, double time, int frame) {
    const std::string stem = shot.path.substr(0, shot.path.size() - 4);
    const double start = WallSeconds();
    if (!oapiSaveSurface(stem.c_str(), nullptr, oapi::IMAGE_PNG)) return Fail("the shot '" + shot.path + "' failed");
    Log("shot " + shot.path + " at " + FormatReal(time) + " s, frame " + std::to_string(frame) + ", saved in " +
        FormatReal(std::round((WallSeconds() - start) * 1000) / 1000) + " s");
    std::ofstream text(stem + ".txt", std::ios::binary | std::ios::trunc);
    text << Geometry(time, frame);
    text.close();
    if (!text) Fail("cannot write '" + stem + ".txt'");
  }

  std::string Geometry(double time, int frame) const {
    ShotCamera camera;
    VECTOR3 position;
    MATRIX3 rotation;
    oapiCameraGlobalPos(&position);
    oapiCameraRotationMatrix(&rotation);
    std::copy(position.data, position.data + 3, camera.position);
    std::copy(rotation.data, rotation.data + 9, camera.rotation);
    camera.aperture = oapiCameraAperture();
    DWORD w = 0, h = 0;
    oapiGetViewportSize(&w, &h);
    camera.width = static_cast<int>(w);
    camera.height = static_cast<int>(h);

    std::ostringstream out;
    out << "# view TIME FRAME WIDTH HEIGHT APERTURE | vessel NAME X Y DISTANCE | stream VESSEL INDEX TEXTURE LENGTH "
           "WIDTH X1 Y1 X2 Y2 HALF1 HALF2 | tether LINK SHIP1 SHIP2 X1 Y1 X2 Y2\n";
    out << "view " << FormatReal(time) << ' ' << frame << ' ' << w << ' ' << h << ' ' << FormatReal(camera.aperture)
        << '\n';
    for (DWORD i = 0; i < oapiGetVesselCount(); ++i) {
      VESSEL *v = oapiGetVesselInterface(oapiGetVesselByIndex(i));
      VECTOR3 centre;
      v->GetGlobalPos(centre);
      out << "vessel " << v->GetName() << ' ' << PixelText(Project(camera, centre.data)) << ' '
          << FormatReal(length(centre - position)) << '\n';
      Streams(out, camera, v);
    }
    if (const auto links = Links(sampleScenario, true, block)) {
      for (size_t link = 0; link < links->size(); ++link) {
        const LinkRecord &l = (*links)[link];
        OBJHANDLE h1 = oapiGetVesselByName(const_cast<char *>(l.ship1.c_str()));
        OBJHANDLE h2 = oapiGetVesselByName(const_cast<char *>(l.ship2.c_str()));
        if (l.connected != 1 || h1 == nullptr || h2 == nullptr) continue;
        const VECTOR3 p1 = GlobalPoint(h1, l.attach1), p2 = GlobalPoint(h2, l.attach2);
        out << "tether " << link << ' ' << l.ship1 << ' ' << l.ship2 << ' ' << PixelText(Project(camera, p1.data))
            << ' ' << PixelText(Project(camera, p2.data)) << '\n';
      }
    }
    return out.str();
  }

  // The vessel's exhaust streams that the host draws, as the graphics client draws them: from the
  // stream's position against its direction, as long and (to either side) as wide as its scales.
  void Streams(std::ostringstream &out, const ShotCamera &camera, VESSEL *v) const {
    for (DWORD i = 0; i < v->GetExhaustCount(); ++i) {
      if (!(v->GetExhaustLevel(i) > 0)) continue;
      double lscale = 0, wscale = 0;
      VECTOR3 pos, dir;
      SURFHANDLE texture = nullptr;
      if (!v->GetExhaustSpec(i, &lscale, &wscale, &pos, &dir, &texture)) continue;
      VECTOR3 centre;
      MATRIX3 rot;
      v->GetGlobalPos(centre);
      v->GetRotationMatrix(rot);
      const VECTOR3 start = centre + mul(rot, pos), end = start - mul(rot, dir) * lscale;
      out << "stream " << v->GetName() << ' ' << i << ' ' << TextureName(texture) << ' ' << FormatReal(lscale) << ' '
          << FormatReal(wscale) << ' ' << PixelText(Project(camera, start.data)) << ' '
          << PixelText(Project(camera, end.data)) << ' ' << HalfWidth(camera, start, wscale) << ' '
          << HalfWidth(camera, end, wscale) << '\n';
    }
  }

  static std::string HalfWidth(const ShotCamera &camera, const VECTOR3 &p, double wscale) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", PixelsPerMetre(camera, p.data) * wscale);
    return text;
  }

  // The tethers' textures by the names Kestrane registers them under (the host keeps one texture
  // per name); "other" for any other, "default" for none.
  static std::string TextureName(SURFHANDLE texture) {
    if (texture == nullptr) return "default";
    for (const char *name : {"TetherTaut", "Tether2", "Tether3"})
      if (oapiRegisterExhaustTexture(const_cast<char *>(name)) == texture) return name;
    return "other";
  }

  static VECTOR3 GlobalPoint(OBJHANDLE vessel, const double local[3]) {
    VESSEL *v = oapiGetVesselInterface(vessel);
    VECTOR3 centre;
    MATRIX3 rot;
    v->GetGlobalPos(centre);
    v->GetRotationMatrix(rot);
    return centre + mul(rot, _V(local[0], local[1], local[2]));
  }

  std::vector<ShotRequest> shots;
  std::string block;
  size_t next = 0;
};

// The wall time of each frame the host ran, from one frame's start to the next, but for the first
// (loading) and those that took a shot; logged at the end as a rate and a median.
class FrameClock {
public:
  void Frame(bool shot) {
    const double now = WallSeconds();
    if (last > 0 && !lastShot && frames > 1) times.push_back(now - last);
    ++frames;
    last = now;
    lastShot = shot;
  }
  int Count() const { return frames; }

  void End() const {
    if (times.empty()) return;
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    double total = 0;
    for (double t : times) total += t;
    char line[200];
    std::snprintf(line, sizeof line,
                  "%zu frames timed in %.2f s of wall time: %.2f frames/s, median %.4f s, longest %.4f s", times.size(),
                  total, times.size() / total, sorted[sorted.size() / 2], sorted.back());
    Log(line);
  }

private:
  std::vector<double> times;
  double last = 0;
  bool lastShot = false;
  int frames = 0;
};

// Presses the run's keys (KeySchedule.h) on a display of the mode, opening the mode on the left
// display at the first frame when no display shows it: keys through the host's own key handling
// (oapiSendMFDKey, which keeps F2 and the grave accent for its pages of buttons and their menu),
// clicks on the buttons through its button handling (oapiProcessMFDButton). The host has
// displays only when a graphics client gave it a render window.
class KeyPresser {
public:
  KeyPresser(std::vector<TimedKey> keys, std::string modeName) : schedule(std::move(keys)), mode(std::move(modeName)) {}

  void Frame(double simt, bool haveDisplays) {
    if (schedule.Remaining() == 0 || failed) return;
    if (!haveDisplays) {
      Stop("keys need the host's displays: load a graphics client (--plugin=NullClient)");
      return;
    }
    if (display < 0 && !OpenDisplay()) return;
    for (const TimedKey &key : schedule.Due(simt)) {
      if (key.button)
        oapiProcessMFDButton(display, static_cast<int>(key.code), PANEL_MOUSE_LBDOWN);
      else
        oapiSendMFDKey(display, key.code);
    }
  }

private:
  bool OpenDisplay() {
    const int id = oapiGetMFDModeSpecEx(const_cast<char *>(mode.c_str()));
    if (id == MFD_NONE) return Stop("the host has no display mode '" + mode + "'");
    for (int i = 0; i < MAXMFD; ++i)
      if (oapiGetMFDMode(i) == id) return (display = i) >= 0;
    oapiOpenMFD(id, MFD_LEFT);
    if (oapiGetMFDMode(MFD_LEFT) != id) return Stop("the host opened no display of mode '" + mode + "'");
    display = MFD_LEFT;
    return true;
  }

  bool Stop(const std::string &reason) {
    Fail(reason);
    failed = true;
    return false;
  }

  KeySchedule schedule;
  std::string mode;
  int display = -1;  // the display the keys go to
  bool failed = false;
};

// The host's frames timed in blocks of frames, by the wall clock (the performance counter) and by
// the processor time of the host's thread, which the machine's other work does not lengthen. A
// frame runs from the recorder's call at its start (opcPreStep) to its call at the next frame's
// start: the whole frame, whatever the host and every module do in it. The part of it from the
// recorder's call at the end of the frame's update (opcPostStep) to its call at the next frame's
// start is timed too: the host's work between frames and, when a module is loaded ahead of the
// recorder, that module's own call at the frame's start. So is the processor time of the whole
// process, all its threads: a graphics client draws in threads of its own (Wine's Direct3D runs its
// commands in one, Mesa's software renderer rasterises in more). Written when the session ends.
class FrameTimer {
public:
  static constexpr long long blockFrames = 50;

  explicit FrameTimer(std::string file) : path(std::move(file)) {
    // Storage for an hour of frames at 0.02 s, so that timing a frame does not allocate.
    marks.reserve(180000 / blockFrames);
  }

  void FrameStart() {
    const long long now = ProcessorTime(threadClock);
    if (ended >= 0 && now >= 0) between += now - ended;
    ended = -1;
    if (frames++ % blockFrames != 0) return;
    LARGE_INTEGER ticks;
    QueryPerformanceCounter(&ticks);
    marks.push_back({ticks.QuadPart, now, between, ProcessorTime(processClock)});
  }

  void FrameEnd() { ended = ProcessorTime(threadClock); }

  // One line a block: its first frame (from 0), its frames, and the mean time of its frames in
  // microseconds: wall-clock, the host thread's processor time, its processor time between the end
  // of a frame's update and the next frame's start, and the process's processor time ("- - -" where
  // the processor time is not known).
  void End() const {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    char line[128];
    for (size_t i = 1; i < marks.size(); ++i) {
      const Mark &a = marks[i - 1], &b = marks[i];
      const long long first = static_cast<long long>(i - 1) * blockFrames;
      const double wall = 1e6 * double(b.ticks - a.ticks) / double(frequency.QuadPart) / blockFrames;
      if (a.processorNs >= 0 && b.processorNs >= 0 && a.processNs >= 0 && b.processNs >= 0)
        std::snprintf(line, sizeof line, "%lld %lld %.3f %.3f %.3f %.3f\n", first, blockFrames, wall,
                      1e-3 * double(b.processorNs - a.processorNs) / blockFrames,
                      1e-3 * double(b.betweenNs - a.betweenNs) / blockFrames,
                      1e-3 * double(b.processNs - a.processNs) / blockFrames);
      else
        std::snprintf(line, sizeof line, "%lld %lld %.3f - - -\n", first, blockFrames, wall);
      out << line;
    }
    out.close();
    if (!out) Fail("cannot write '" + path + "'");
  }

private:
  struct Mark {
    long long ticks;        // performance counter
    long long processorNs;  // the thread's processor time, ns; -1 when not known
    long long betweenNs;    // the sum of the times between frames so far, ns
    long long processNs;    // the process's processor time, ns; -1 when not known
  };

  static constexpr int processClock = 2;  // CLOCK_PROCESS_CPUTIME_ID
  static constexpr int threadClock = 3;   // CLOCK_THREAD_CPUTIME_ID

  // The processor time the calling thread (threadClock) or its whole process (processClock) has
  // had, in ns: the kernel's clock, asked for directly (Wine's own answer counts whole ticks of
  // 10 ms), where the program runs under Wine on Linux on an x86 processor. -1 elsewhere.
  static long long ProcessorTime(int which) {
    static const bool linuxUnderWine = LinuxUnderWine();
    if (!linuxUnderWine) return -1;
#if defined(_M_IX86)
    struct {
      long sec, nsec;  // 32 bits each, as the 32-bit call fills them
    } now{};
    long result;
    __asm__ volatile("int $0x80" : "=a"(result) : "a"(265), "b"(which), "c"(&now) : "memory");
    return result == 0 ? now.sec * 1000000000LL + now.nsec : -1;
#elif defined(_M_X64)
    struct {
      long long sec, nsec;
    } now{};
    long long result;
    __asm__ volatile("syscall"
                     : "=a"(result)
                     : "a"(228LL), "D"(static_cast<long long>(which)), "S"(&now)
                     : "rcx", "r11", "memory");
    return result == 0 ? now.sec * 1000000000LL + now.nsec : -1;
#else
    return -1;
#endif
  }

  static bool LinuxUnderWine() {
    using HostVersion = void (*)(const char **sysname, const char **release);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto hostVersion = ntdll ? reinterpret_cast<HostVersion>(GetProcAddress(ntdll, "wine_get_host_version")) : nullptr;
    if (hostVersion == nullptr) return false;
    const char *sysname = nullptr, *release = nullptr;
    hostVersion(&sysname, &release);
    return sysname != nullptr && std::strcmp(sysname, "Linux") == 0;
  }

  std::string path;
  long long frames = 0;
  long long ended = -1;   // processor time at the end of the last frame's update, ns
  long long between = 0;  // ns
  std::vector<Mark> marks;
};

// Deletes the run's vessels (RecorderSettings.h) at the end of the frames that reach their times:
// the host removes a vessel asked for in a frame once the frame's state is updated, before it draws
// the displays, as kestrane-sim removes it.
class Deleter {
public:
  explicit Deleter(std::vector<TimedDeletion> list) : deletions(std::move(list)) {}

  void FrameEnd(double simt) {
    for (; next < deletions.size() && Reached(simt, deletions[next].time); ++next) {
      OBJHANDLE vessel = oapiGetVesselByName(const_cast<char *>(deletions[next].name.c_str()));
      if (vessel == nullptr) {
        Fail("no vessel '" + deletions[next].name + "' to delete");
        continue;
      }
      oapiDeleteVessel(vessel);
      Log("deleted " + deletions[next].name + " at t = " + FormatReal(simt) + " s");
    }
  }

private:
  std::vector<TimedDeletion> deletions;
  size_t next = 0;
};

class Recording {
public:
  explicit Recording(const RecorderSettings &asked) : settings(asked), clock(asked.every) {}

  void Open() {
    OpenFile(vessels, settings.vessels, vesselHeader);
    OpenFile(tethers, settings.tethers, tetherHeader);
  }

  // The state at the start of a frame, a sample when one is due.
  void Frame(double simt, double simdt) {
    if (clock.Due(simt)) Sample(SampleClock::OnSteps(simt, simdt), sampleScenario, true);
  }

  // The state the session ended with, from the scenario the host saved at the end.
  void End() {
    const double simt = oapiGetSimTime();
    if (clock.DueAtEnd(simt)) Sample(SampleClock::OnSteps(simt, oapiGetSimStep()), endScenario, false);
    for (std::ofstream *file : {&vessels, &tethers}) {
      if (!file->is_open()) continue;
      file->close();
      if (file->fail()) Fail("a CSV file could not be written");
    }
  }

private:
  void OpenFile(std::ofstream &file, const std::string &path, const char *header) {
    if (path.empty()) return;
    file.open(path, std::ios::binary | std::ios::trunc);
    if (!file) return Fail("cannot write '" + path + "'");
    file << header << '\n';
  }

  void Sample(double time, const char *scenario, bool save) {
    if (!vessels.is_open() && !tethers.is_open()) return;
    if (oapiGetVesselCount() == 0) return Fail("no vessels to sample at t = " + FormatReal(time) + " s");
    if (centre == nullptr) centre = oapiGetFocusInterface()->GetGravityRef();
    if (vessels.is_open()) {
      for (DWORD i = 0; i < oapiGetVesselCount(); ++i) {
        VESSEL *v = oapiGetVesselInterface(oapiGetVesselByIndex(i));
        VECTOR3 pos, vel;
        v->GetRelativePos(centre, pos);
        v->GetRelativeVel(centre, vel);
        vessels << VesselRow(time, v->GetName(), pos.data, vel.data) << '\n';
      }
    }
    if (tethers.is_open()) SampleTethers(time, scenario, save);
  }

  void SampleTethers(double time, const char *scenario, bool save) {
    const auto links = Links(scenario, save, settings.block);
    if (!links) return;

    // The links at each vessel: a vessel that only one link pulls shows that link's pull.
    std::map<std::string, int> tiedLinks;
    for (const LinkRecord &l : *links)
      if (l.connected == 1) ++tiedLinks[l.ship1], ++tiedLinks[l.ship2];
    for (int i = 0; i < tetherblock::linkCount; ++i)
      tethers << TetherRowText(time, Row(i, (*links)[i], tiedLinks)) << '\n';
  }

  TetherRow Row(int link, const LinkRecord &l, std::map<std::string, int> &tiedLinks) const {
    TetherRow row;
    row.link = link;
    row.connected = l.connected;
    if (l.connected == 0) return row;
    row.ship1 = l.ship1;
    row.ship2 = l.ship2;
    row.length = l.length;
    row.force = l.force;
    row.reelSpeed = l.reelSpeed;
    row.spoolMode = l.spoolMode;
    OBJHANDLE h1 = oapiGetVesselByName(const_cast<char *>(l.ship1.c_str()));
    OBJHANDLE h2 = oapiGetVesselByName(const_cast<char *>(l.ship2.c_str()));
    if (h1 == nullptr || h2 == nullptr) return row;
    VESSEL *v1 = oapiGetVesselInterface(h1), *v2 = oapiGetVesselInterface(h2);
    const VECTOR3 p1 = AttachPoint(v1, l.attach1), p2 = AttachPoint(v2, l.attach2);
    row.distance = length(p2 - p1);
    row.stretch = tetherblock::Stretch(row.distance, row.length);
    // The forces other than gravity on the vessel in the last frame (the host's linear moment): the
    // link's half pull when it is the vessel's only link. Unknown (not a number) for a vessel
    // between several.
    VESSEL *alone = tiedLinks[l.ship1] == 1 ? v1 : tiedLinks[l.ship2] == 1 ? v2 : nullptr;
    if (alone == nullptr) {
      row.pull = std::nan("");
    } else {
      VECTOR3 force{};
      alone->GetLinearMoment(force);
      row.pull = 2 * length(force);
    }
    return row;
  }

  // An attach point in the frame of the vessels' rows: from the central body's centre.
  VECTOR3 AttachPoint(VESSEL *v, const double local[3]) const {
    VECTOR3 pos;
    MATRIX3 rot;
    v->GetRelativePos(centre, pos);
    v->GetRotationMatrix(rot);
    return pos + mul(rot, _V(local[0], local[1], local[2]));
  }

  RecorderSettings settings;
  SampleClock clock;
  OBJHANDLE centre = nullptr;  // the body positions are given from
  std::ofstream vessels, tethers;
};

RecorderSettings settings;
bool configured = false;
Recording *recording = nullptr;
KeyPresser *keys = nullptr;
Shooter *shooter = nullptr;
FrameClock *frameClock = nullptr;
FrameTimer *frameTimer = nullptr;
Deleter *deleter = nullptr;
bool haveDisplays = false;  // a graphics client gave the host a render window

}  // namespace

}  // namespace recorder

using namespace recorder;

DLLCLBK void opcLoadState(FILEHANDLE scn) {
  settings = RecorderSettings();
  configured = true;
  char *line = nullptr;
  while (oapiReadScenario_nextline(scn, line)) {
    const std::string problem = settings.ReadLine(line);
    if (!problem.empty()) Fail("in BEGIN_Recorder: " + problem);
  }
}

DLLCLBK void opcOpenRenderViewport(HWND window, DWORD, DWORD, BOOL) {
  if (!configured) return Fail("the scenario has no BEGIN_Recorder block");
  haveDisplays = window != nullptr;
  delete recording;
  recording = new Recording(settings);
  recording->Open();
  delete keys;
  keys = new KeyPresser(settings.keys, settings.mode);
  delete shooter;
  shooter = new Shooter(settings.shots, settings.block);
  delete frameClock;
  frameClock = new FrameClock;
  delete frameTimer;
  frameTimer = settings.frames.empty() ? nullptr : new FrameTimer(settings.frames);
  delete deleter;
  deleter = new Deleter(settings.deletions);
}

// The state at the frame's start is sampled before the frame's keys change it, and the keys go
// before any later module's step, as kestrane-sim presses them.
// The shots go first: the picture in the render window shows the state before this frame's keys.
DLLCLBK void opcPreStep(double simt, double simdt, double) {
  if (shooter != nullptr && frameClock != nullptr)
    frameClock->Frame(shooter->Frame(simt, simdt, frameClock->Count() + 1, haveDisplays));
  if (frameTimer != nullptr) frameTimer->FrameStart();
  if (recording != nullptr) recording->Frame(simt, simdt);
  if (keys != nullptr) keys->Frame(simt, haveDisplays);
}

// The frame's state is updated: the vessels due go at its end.
DLLCLBK void opcPostStep(double simt, double, double) {
  if (frameTimer != nullptr) frameTimer->FrameEnd();
  if (deleter != nullptr) deleter->FrameEnd(simt);
}

DLLCLBK void opcCloseRenderViewport() {
  delete keys;
  keys = nullptr;
  if (shooter != nullptr) shooter->End();
  delete shooter;
  shooter = nullptr;
  if (frameClock != nullptr) frameClock->End();
  delete frameClock;
  frameClock = nullptr;
  if (frameTimer != nullptr) frameTimer->End();
  delete frameTimer;
  frameTimer = nullptr;
  delete deleter;
  deleter = nullptr;
  if (recording == nullptr) return;
  recording->End();
  delete recording;
  recording = nullptr;
  configured = false;
}
