// The recorder, a plug-in module of the real host that writes a run's vessels and tethers in
// kestrane-sim's CSV files, through the host's public API only. The host loads it with
// --plugin=Recorder, ahead of Kestrane, and hands it its block of the scenario (RecorderSettings.h).
//
// The host shows a frame's new state only after the frame, so the state at the start of a frame is
// sampled in that frame's opcPreStep, before any plug-in's forces, and the last state when the
// session ends. Tethers are sampled from Kestrane's own scenario block: the host saves the scenario
// (as a quick-save does) and the block is read back, as kestrane-sim samples the plug-in's block;
// the distance between the attach points and the pull come from the vessels. The last sample reads
// the scenario the host itself saved at the end.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

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
  delete deleter;
  deleter = new Deleter(settings.deletions);
}

// The state at the frame's start is sampled before the frame's keys change it, and the keys go
// before any later module's step, as kestrane-sim presses them.
DLLCLBK void opcPreStep(double simt, double simdt, double) {
  if (recording != nullptr) recording->Frame(simt, simdt);
  if (keys != nullptr) keys->Frame(simt, haveDisplays);
}

// The frame's state is updated: the vessels due go at its end.
DLLCLBK void opcPostStep(double simt, double, double) {
  if (deleter != nullptr) deleter->FrameEnd(simt);
}

DLLCLBK void opcCloseRenderViewport() {
  delete keys;
  keys = nullptr;
  delete deleter;
  deleter = nullptr;
  if (recording == nullptr) return;
  recording->End();
  delete recording;
  recording = nullptr;
  configured = false;
}
