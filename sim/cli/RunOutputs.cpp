#include "sim/cli/RunOutputs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "sim/display/DisplayPanel.h"
#include "sim/run/ReplayFile.h"
#include "sim/scenario/NumberFormat.h"

namespace sim {

bool WriteText(const std::string &path, const std::string &text, std::string &error) {
  errno = 0;
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) error = "cannot write '" + path + "'" + (errno != 0 ? std::string(": ") + std::strerror(errno) : "");
  return static_cast<bool>(out);
}

bool SaveCheckpoint(Simulation &simulation, Recorder &recorder, const std::string &path, std::string &error) {
  if (!recorder.Sync()) return false;
  try {
    simulation.Save(path, true);
  } catch (const ScenarioError &e) {
    error = std::string("checkpoint not saved: ") + e.what();
    return false;
  }
  return true;
}

void WriteOutputs(Simulation &simulation, const RunArguments &args, Recorder &recorder, ReplayRecorder *replay,
                  double lastSample, bool stateLost, std::vector<std::string> &errors) {
  if (lastSample != simulation.Time() && !stateLost) recorder.Sample(simulation);
  recorder.Close(errors);

  DisplayHost::Display *display = simulation.FirstDisplay();
  std::string error;
  if (!args.screen.empty()) {
    if (display == nullptr)
      errors.push_back("no display is open to write '" + args.screen + "'");
    else if (!WriteText(args.screen, display->Surface().Text(), error))
      errors.push_back(error);
  }
  if (!args.png.empty()) {
    if (display == nullptr)
      errors.push_back("no display is open to draw '" + args.png + "'");
    else if (!DrawPanel(simulation.Displays(), *display)->WritePng(args.png, error))
      errors.push_back(error);
  }
  for (const auto &[path, durable] : {std::pair{args.save, false}, std::pair{args.checkpointFile, true}}) {
    if (path.empty() || stateLost) continue;
    try {
      simulation.Save(path, durable);
    } catch (const ScenarioError &e) {
      errors.push_back(e.what());
    }
  }
  if (replay != nullptr) {
    if (!stateLost) replay->Finish(simulation);
    const std::string title = std::filesystem::path(args.scenario).filename().string();
    if (!WriteReplayPage(args.replay, *replay, title, error))
      errors.push_back(error);
    else if (!args.quiet && replay->Every() > args.replayEvery)
      std::fprintf(stderr,
                   "kestrane-sim: the replay is sampled every %s s instead of %s s, to hold the run in %zu MB\n",
                   FormatSeconds(replay->Every()).c_str(), FormatSeconds(args.replayEvery).c_str(),
                   ReplayRecorder::defaultMaxBytes >> 20);
  }
}

}  // namespace sim
