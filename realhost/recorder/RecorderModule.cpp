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
// recorder, that module's own call at the frame's start. Written when the session ends.
class FrameTimer {
public:
  static constexpr long long blockFrames = 50;

  explicit FrameTimer(std::string file) : path(std::move(file)) {
    // Storage for an hour of frames at 0.02 s, so that timing a frame does not allocate.
    marks.reserve(180000 / blockFrames);
  }

  void FrameStart() {
    const long long now = ThreadProcessorTime();
    if (ended >= 0 && now >= 0) between += now - ended;
    ended = -1;
    if (frames++ % blockFrames != 0) return;
    LARGE_INTEGER ticks;
    QueryPerformanceCounter(&ticks);
    marks.push_back({ticks.QuadPart, now, between});
  }

  void FrameEnd() { ended = ThreadProcessorTime(); }

  // One line a block: its first frame (from 0), its frames, and the mean time of its frames in
  // microseconds: wall-clock, processor, and processor between the end of a frame's update and the
  // next frame's start ("-" where the processor time is not known).
  void End() const {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    char line[96];
    for (size_t i = 1; i < marks.size(); ++i) {
      const Mark &a = marks[i - 1], &b = marks[i];
      const long long first = static_cast<long long>(i - 1) * blockFrames;
      const double wall = 1e6 * double(b.ticks - a.ticks) / double(frequency.QuadPart) / blockFrames;
      if (a.processorNs >= 0 && b.processorNs >= 0)
        std::snprintf(line, sizeof line, "%lld %lld %.3f %.3f %.3f\n", first, blockFrames, wall,
                      1e-3 * double(b.processorNs - a.processorNs) / blockFrames,
                      1e-3 * double(b.betweenNs - a.betweenNs) / blockFrames);
      else
        std::snprintf(line, sizeof line, "%lld %lld %.3f - -\n", first, blockFrames, wall);
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
  };

  // The processor time the calling thread has had, in ns: the kernel's clock of the thread, asked for
  // directly (Wine's own answer counts whole ticks of 10 ms), where the program runs under Wine on
  // Linux on an x86 processor. -1 elsewhere.
  static long long ThreadProcessorTime() {
    static const bool linuxUnderWine = LinuxUnderWine();
    if (!linuxUnderWine) return -1;
    constexpr int threadClock = 3;  // CLOCK_THREAD_CPUTIME_ID
#if defined(_M_IX86)
    struct {
      long sec, nsec;  // 32 bits each, as the 32-bit call fills them
    } now{};
    long result;
    __asm__ volatile("int $0x80" : "=a"(result) : "a"(265), "b"(threadClock), "c"(&now) : "memory");
    return result == 0 ? now.sec * 1000000000LL + now.nsec : -1;
#elif defined(_M_X64)
    struct {
      long long sec, nsec;
    } now{};
    long long result;
    __asm__ volatile("syscall"
                     : "=a"(result)
                     : "a"(228LL), "D"(static_cast<long long>(threadClock)), "S"(&now)
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
    if (save && !oapiSaveScenario(scenario, "Recorder: the tethers at a sample"))
      return Fail("the sample was not saved");
    std::ifstream file(ScenarioPath(scenario), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    const auto links = ReadTetherBlock(text.str(), settings.block);
    if (!links) return Fail("'" + ScenarioPath(scenario) + "' holds no BEGIN_" + settings.block + " block");

    // The links at each vessel: a vessel that only one link pulls shows that link's pull.
    std::map<std::string, int> tiedLinks;
    for (const LinkRecord &l : *links)
      if (l.connected == 1) ++tiedLinks[l.ship1], ++tiedLinks[l.ship2];
    for (int i = 0; i < 8; ++i) tethers << TetherRowText(time, Row(i, (*links)[i], tiedLinks)) << '\n';
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
    row.stretch = row.distance / row.length * 100;
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
FrameTimer *frameTimer = nullptr;
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
  delete frameTimer;
  frameTimer = settings.frames.empty() ? nullptr : new FrameTimer(settings.frames);
}

// The state at the frame's start is sampled before the frame's keys change it, and the keys go
// before any later module's step, as kestrane-sim presses them.
DLLCLBK void opcPreStep(double simt, double simdt, double) {
  if (frameTimer != nullptr) frameTimer->FrameStart();
  if (recording != nullptr) recording->Frame(simt, simdt);
  if (keys != nullptr) keys->Frame(simt, haveDisplays);
}

DLLCLBK void opcPostStep(double, double, double) {
  if (frameTimer != nullptr) frameTimer->FrameEnd();
}

DLLCLBK void opcCloseRenderViewport() {
  delete keys;
  keys = nullptr;
  if (frameTimer != nullptr) frameTimer->End();
  delete frameTimer;
  frameTimer = nullptr;
  if (recording == nullptr) return;
  recording->End();
  delete recording;
  recording = nullptr;
  configured = false;
}
