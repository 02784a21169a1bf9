// kestrane-sim: runs the plug-in on a scenario in the simulated host.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "sim/cli/Cli.h"
#include "sim/cli/RunChecks.h"
#include "sim/cli/RunSignals.h"
#include "sim/display/DisplayPanel.h"
#include "sim/run/BlockWarnings.h"
#include "sim/run/PluginContract.h"
#include "sim/run/Recorder.h"
#include "sim/run/ReplayFile.h"
#include "sim/run/ReplayRecorder.h"
#include "sim/run/Simulation.h"
#include "sim/run/Summary.h"
#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioText.h"
#include "sim/world/SimTime.h"

#ifdef KESTRANE_HAVE_PLAY
#include "sim/cli/Play.h"
#endif

namespace {

constexpr int badArguments = 2;
constexpr int failure = 1;

using sim::Reached;

int Fail(int status, const std::string &reason) {
  std::fprintf(stderr, "kestrane-sim: %s\n", reason.c_str());
  return status;
}

// A progress line on the terminal, once the run has taken more than a moment of wall time.
class Progress {
public:
  Progress(bool wanted, double total)
      : enabled(wanted && isatty(fileno(stderr))), duration(total), start(Clock::now()), last(start) {}

  void Show(double time) {
    if (!enabled) return;
    auto now = Clock::now();
    if (now - start < std::chrono::seconds(2) || now - last < std::chrono::milliseconds(200)) return;
    last = now;
    shown = true;
    std::fprintf(stderr, "\r  simulated %.1f of %.1f s (%3.0f %%)", time, duration,
                 duration > 0 ? 100.0 * time / duration : 100.0);
    std::fflush(stderr);
  }

  void Done() {
    if (shown) std::fprintf(stderr, "\r%60s\r", "");
  }

  bool Enabled() const { return enabled; }

private:
  using Clock = std::chrono::steady_clock;
  bool enabled;
  double duration;
  Clock::time_point start, last;
  bool shown = false;
};

// Prints the display each time its text changes: in place on a terminal, as a sequence of
// screens with their simulated time otherwise.
class Watcher {
public:
  explicit Watcher(bool wanted) : enabled(wanted), terminal(isatty(fileno(stdout))) {}

  void Look(sim::Simulation &simulation) {
    sim::DisplayHost::Display *display = simulation.FirstDisplay();
    if (!enabled || display == nullptr) return;
    // The display with its buttons' labels beside it, as the host's panel shows it.
    const std::unique_ptr<sim::Canvas> panel = sim::DrawPanel(simulation.Displays(), *display);
    std::string text = panel->Text();
    if (text == shown) return;
    shown = text;
    char time[64];
    std::snprintf(time, sizeof time, "t = %.2f s", simulation.Time());
    if (terminal) {
      // Back over the previous screen, each line cleared before it is drawn again.
      if (lines > 0) std::printf("\033[%dA", lines);
      std::string ansi = panel->Ansi();
      std::string out = "\033[K" + std::string(time) + "\n";
      lines = 1;
      for (size_t start = 0; start < ansi.size();) {
        size_t end = ansi.find('\n', start);
        if (end == std::string::npos) end = ansi.size();
        out += "\033[K" + ansi.substr(start, end - start) + "\n";
        ++lines;
        start = end + 1;
      }
      std::fputs(out.c_str(), stdout);
    } else {
      std::printf("-- %s\n%s\n", time, text.c_str());
    }
    std::fflush(stdout);
  }

  bool Enabled() const { return enabled; }

private:
  bool enabled, terminal;
  std::string shown;
  int lines = 0;
};

bool WriteText(const std::string &path, const std::string &text, std::string &error) {
  errno = 0;
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) error = "cannot write '" + path + "'" + (errno != 0 ? std::string(": ") + std::strerror(errno) : "");
  return static_cast<bool>(out);
}

// Every deletion from `first` on must name a vessel of the scenario that no earlier one has taken.
bool CheckDeletions(const std::vector<sim::TimedDeletion> &deletions, size_t first, sim::World &world,
                    std::string &error) {
  std::set<std::string> taken;
  for (size_t i = first; i < deletions.size(); ++i) {
    const sim::TimedDeletion &deletion = deletions[i];
    if (world.FindByName(deletion.name) == nullptr) {
      error = "--delete names no vessel '" + deletion.name + "' of the scenario";
      return false;
    }
    // Vessel names compare without regard to case, as the host compares them.
    if (!taken.insert(sim::Lower(deletion.name)).second) {
      error = "--delete names vessel '" + deletion.name + "' twice";
      return false;
    }
  }
  return true;
}

// How many of the events (keys or deletions, in time order) the scenario's clock has passed: a
// run that started earlier and saved the scenario at `start` (s) pressed or did them in a frame
// that started a step (`step`, s) before at the latest.
template <class Timed>
size_t DoneBefore(const std::vector<Timed> &events, double start, double step) {
  size_t done = 0;
  while (done < events.size() && Reached(start - step, events[done].time)) ++done;
  return done;
}

// The first whole multiple of `period` after `time`, as a count of periods: samples and
// checkpoints fall on the clock's multiples, so a resumed run takes them where the run it
// continues would have.
long long NextMultiple(double time, double period) {
  return static_cast<long long>(std::floor(time / period * (1 + sim::timeSlack))) + 1;
}

// Waits until `deadline`, or until a signal asks the run to stop.
void PaceUntil(std::chrono::steady_clock::time_point deadline) {
  constexpr std::chrono::steady_clock::duration slice = std::chrono::milliseconds(50);
  while (sim::RunSignals::Received() == 0) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return;
    std::this_thread::sleep_for(std::min(deadline - now, slice));
  }
}

// The CSV rows so far reach the disk before the scenario does, so that a checkpoint never runs
// ahead of them; the scenario replaces the last checkpoint only once it is whole on the disk.
bool SaveCheckpoint(sim::Simulation &simulation, sim::Recorder &recorder, const std::string &path, std::string &error) {
  if (!recorder.Sync()) return false;
  try {
    simulation.Save(path, true);
  } catch (const sim::ScenarioError &e) {
    error = std::string("checkpoint not saved: ") + e.what();
    return false;
  }
  return true;
}

// Everything a run leaves behind, for the time it reached, however it ended: the last CSV sample
// (unless one was just taken), the display's text and picture, the scenario and the last
// checkpoint. Every output of a run is written here. A failure adds a line to `errors`; the other
// outputs are written all the same. After a frame that left a state no longer finite
// (`stateLost`), only what holds the run before it is written: the CSV rows so far, the display as
// last drawn and the replay so far.
void WriteOutputs(sim::Simulation &simulation, const sim::RunArguments &args, sim::Recorder &recorder,
                  sim::ReplayRecorder *replay, double lastSample, bool stateLost, std::vector<std::string> &errors) {
  if (lastSample != simulation.Time() && !stateLost) recorder.Sample(simulation);
  recorder.Close(errors);

  sim::DisplayHost::Display *display = simulation.FirstDisplay();
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
    else if (!sim::DrawPanel(simulation.Displays(), *display)->WritePng(args.png, error))
      errors.push_back(error);
  }
  for (const auto &[path, durable] : {std::pair{args.save, false}, std::pair{args.checkpointFile, true}}) {
    if (path.empty() || stateLost) continue;
    try {
      simulation.Save(path, durable);
    } catch (const sim::ScenarioError &e) {
      errors.push_back(e.what());
    }
  }
  if (replay != nullptr) {
    if (!stateLost) replay->Finish(simulation);
    const std::string title = std::filesystem::path(args.scenario).filename().string();
    if (!sim::WriteReplayPage(args.replay, *replay, title, error))
      errors.push_back(error);
    else if (!args.quiet && replay->Every() > args.replayEvery)
      std::fprintf(stderr,
                   "kestrane-sim: the replay is sampled every %s s instead of %s s, to hold the run in %zu MB\n",
                   sim::FormatSeconds(replay->Every()).c_str(), sim::FormatSeconds(args.replayEvery).c_str(),
                   sim::ReplayRecorder::defaultMaxBytes >> 20);
  }
}

int Run(const sim::RunArguments &args) {
  sim::RunSignals signals;
  std::string error;
  if (!args.replay.empty() && sim::ReplayPageTemplate().empty())
    return Fail(badArguments,
                "--replay: this kestrane-sim was built without the replay page (node and npm were missing when "
                "it was configured)");
  // Found out before a long run rather than after it.
  if (!sim::CheckOutputs(args, error)) return Fail(badArguments, error);
  sim::Simulation::Options options{args.scenario, args.plugin.empty() ? sim::DefaultPluginPath() : args.plugin,
                                   args.step, args.host, args.steps};
  options.hostDir = args.hostDir;
  options.settings = args.settings;
  try {
    sim::Simulation simulation(options);
    if (!args.quiet)
      for (const std::string &warning : sim::ScenarioBlockWarnings(simulation.Loaded(), sim::plugin::modeName))
        std::fprintf(stderr, "kestrane-sim: warning: %s\n", warning.c_str());
    if (!args.quiet && simulation.CarriedCount() > 0)
      std::printf("%zu vessel%s landed, attached or orbiting another body: carried as read, not simulated\n",
                  simulation.CarriedCount(), simulation.CarriedCount() == 1 ? "" : "s");
    const double step = simulation.GetWorld().step;
    // The clock starts where the scenario was saved: 0 for a scenario without a date.
    const double start = simulation.Time();
    if (args.until && !Reached(*args.until, start))
      return Fail(badArguments, "--until " + sim::FormatSeconds(*args.until) + " is before the scenario's time, " +
                                    sim::FormatSeconds(start) + " s");
    const double end = args.until ? *args.until : start + args.duration;
    // Frames are counted, not timed, so that a duration that is a whole number of steps runs
    // exactly that many frames.
    const std::optional<sim::FramePlan> plan = sim::PlanFrames(start, end, step, args.until ? "--until" : "--duration",
                                                               args.until ? *args.until : args.duration, error);
    if (!plan) return Fail(badArguments, error);
    const long long frames = plan->frames;
    std::optional<double> lastStep;  // s, of a shorter last frame

    size_t nextKey = DoneBefore(args.keys, start, step), nextDeletion = DoneBefore(args.deletions, start, step);
    if (!CheckDeletions(args.deletions, nextDeletion, simulation.GetWorld(), error)) return Fail(badArguments, error);
    if ((nextKey > 0 || nextDeletion > 0) && !args.quiet && !args.append)
      std::fprintf(stderr,
                   "kestrane-sim: the scenario's clock starts at %s s; %s and %s timed before that are taken "
                   "as done\n",
                   sim::FormatSeconds(start).c_str(), sim::Counted(static_cast<long long>(nextKey), "key").c_str(),
                   sim::Counted(static_cast<long long>(nextDeletion), "deletion").c_str());

    sim::Recorder recorder;
    std::vector<std::string> notes;
    if (!recorder.Open(args.tethers, args.vessels, args.append ? std::optional<double>(start) : std::nullopt, notes,
                       error))
      return Fail(badArguments, error);
    if (!args.quiet)
      for (const std::string &note : notes) std::fprintf(stderr, "kestrane-sim: %s\n", note.c_str());
    std::unique_ptr<sim::ReplayRecorder> replay;
    if (!args.replay.empty()) {
      replay = std::make_unique<sim::ReplayRecorder>(args.replayEvery, sim::ReplayRecorder::defaultMaxBytes);
      replay->Start(simulation);
    }

    Progress progress(!args.quiet && !args.show, end - start);
    Watcher watcher(args.show && !args.quiet);
    const auto wallStart = std::chrono::steady_clock::now();
    watcher.Look(simulation);

    std::optional<sim::RunSummary> summary;
    if (!args.summary.empty()) summary.emplace(args.link);
    if (summary) summary->Observe(simulation, true);

    recorder.FirstSample(simulation, args.every);
    double lastSample = start;
    long long sample = NextMultiple(start, args.every);
    long long checkpoint = args.checkpoint > 0 ? NextMultiple(start, args.checkpoint) : 0;
    std::string checkpointError;
    long long framesRun = 0;
    std::vector<DWORD> due;  // the keys of a frame; its storage serves every frame
    // A signal or a failed write stops the run between frames.
    while (framesRun < frames && sim::RunSignals::Received() == 0 && !recorder.Failed() && checkpointError.empty()) {
      const double frameStart = simulation.Time();
      // Vessels go at the start of the frame, so that the keys of the same frame and the plug-in's
      // step already find them gone.
      const size_t deletedBefore = nextDeletion;
      while (nextDeletion < args.deletions.size() && Reached(frameStart, args.deletions[nextDeletion].time))
        simulation.DeleteVessel(args.deletions[nextDeletion++].name);
      due.clear();
      while (nextKey < args.keys.size() && Reached(frameStart, args.keys[nextKey].time))
        due.push_back(args.keys[nextKey++].key);
      // The last frame ends at the time asked for: a span that is not a whole number of steps
      // ends with a shorter one.
      sim::World &world = simulation.GetWorld();
      if (plan->shorterLast && framesRun + 1 == frames) {
        lastStep = sim::LastStep(frameStart, end, step);
        world.step = *lastStep;
      }
      simulation.Frame(due);
      world.step = step;
      ++framesRun;
      if (simulation.Broken()) break;
      const double frameEnd = simulation.Time();
      if (summary) summary->Observe(simulation, !due.empty() || nextDeletion != deletedBefore);
      // Displays are redrawn once per second of simulated time.
      if (sim::CrossesWholeSecond(frameStart, frameEnd)) simulation.RedrawDisplays();
      if (Reached(frameEnd, static_cast<double>(sample) * args.every)) {
        recorder.Sample(simulation);
        lastSample = frameEnd;
        while (Reached(frameEnd, static_cast<double>(sample) * args.every)) ++sample;
      }
      if (args.checkpoint > 0 && Reached(frameEnd, static_cast<double>(checkpoint) * args.checkpoint)) {
        while (Reached(frameEnd, static_cast<double>(checkpoint) * args.checkpoint)) ++checkpoint;
        SaveCheckpoint(simulation, recorder, args.checkpointFile, checkpointError);
      }
      if (replay) replay->AfterFrame(simulation);
      if (watcher.Enabled()) watcher.Look(simulation);
      if (progress.Enabled()) progress.Show(frameEnd - start);
      // Keep the run at its pace: wait until the wall clock catches up with simulated time.
      if (args.speed > 0)
        PaceUntil(wallStart + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  std::chrono::duration<double>((frameEnd - start) / args.speed)));
    }
    const bool cutShort = recorder.Failed() || !checkpointError.empty();
    const std::optional<sim::Simulation::Breakdown> broken = simulation.Broken();
    const bool stateLost = broken && broken->fault == sim::StateFault::NotFinite;
    progress.Done();
    if (!stateLost) {
      simulation.RedrawDisplays();
      watcher.Look(simulation);
    }

    std::vector<std::string> errors;
    if (!checkpointError.empty()) errors.push_back(checkpointError);
    WriteOutputs(simulation, args, recorder, replay.get(), lastSample, stateLost, errors);
    if (summary && !stateLost) {
      summary->Finish(simulation);
      const std::string text = sim::RunSummary::Header(args.settings) + "\n" + summary->Row(args.settings) + "\n";
      if (args.summary == "-")
        std::fputs(text.c_str(), stdout);
      else if (!WriteText(args.summary, text, error))
        errors.push_back(error);
    }

    const std::string reached = sim::FormatSeconds(simulation.Time());
    if (!args.quiet) {
      sim::DisplayHost::Display *display = simulation.FirstDisplay();
      if (display != nullptr && !watcher.Enabled()) {
        const bool terminal = isatty(fileno(stdout));
        std::fputs((terminal ? display->Surface().Ansi() : display->Surface().Text()).c_str(), stdout);
      }
      // A shorter last frame is said, so that the time simulated adds up.
      char shorter[64] = "";
      if (lastStep)
        std::snprintf(shorter, sizeof shorter, framesRun == 1 ? " of %g s" : " (the last of %g s)", *lastStep);
      const std::string last = shorter;
      std::printf("%s%s, %.3f s simulated, %s\n", sim::Counted(framesRun, "frame").c_str(), last.c_str(),
                  simulation.Time() - start,
                  sim::Counted(static_cast<long long>(simulation.GetWorld().VesselCount()), "vessel").c_str());
      std::fflush(stdout);
    }
    const int signal = sim::RunSignals::Received();
    // A state the scenario led to that no frame can carry on: the input cannot be run further.
    if (broken) {
      for (const std::string &line : errors) std::fprintf(stderr, "kestrane-sim: %s\n", line.c_str());
      const std::string outputs =
          stateLost ? "the CSV files end at t = " + sim::FormatSeconds(lastSample) + " s and the scenario is not saved"
                    : "outputs written for that time";
      return Fail(badArguments, args.scenario + ": " + simulation.Describe(*broken) + "; the run stopped, " + outputs);
    }
    if (!errors.empty()) {
      for (const std::string &line : errors) std::fprintf(stderr, "kestrane-sim: %s\n", line.c_str());
      if (cutShort)
        std::fprintf(stderr, "kestrane-sim: the run stopped at t = %s s; its other outputs are for that time\n",
                     reached.c_str());
      else if (signal != 0)
        std::fprintf(stderr, "stopped by interrupt at t = %s s; not every output was written\n", reached.c_str());
      return failure;
    }
    if (signal != 0) {
      std::fprintf(stderr, "stopped by interrupt at t = %s s; outputs written\n", reached.c_str());
      return 128 + signal;
    }
    simulation.Finish();
  } catch (const sim::ScenarioError &e) {
    return Fail(badArguments, e.what());
  } catch (const sim::SimulationError &e) {
    return Fail(badArguments, e.what());
  }
  return 0;
}

}  // namespace

#ifdef KESTRANE_CORE_LIBRARY
// In the core library the program that loads it passes its command line on.
extern "C" __declspec(dllexport) int KestraneRun(int argc, char **argv) {
#else
int main(int argc, char **argv) {
#endif
  sim::IgnoreFileSizeSignal();
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto command = sim::ParseCommandLine(args, error);
  if (!command) return Fail(badArguments, error + " (see " + sim::HelpHint(args) + ")");
  switch (command->kind) {
    case sim::Command::Kind::Help:
      std::fputs(sim::HelpText(command->topic).c_str(), stdout);
      return 0;
    case sim::Command::Kind::Run:
      return Run(command->run);
    case sim::Command::Kind::Sweep:
      return sim::Sweep(command->sweep);
    case sim::Command::Kind::Play:
#ifdef KESTRANE_HAVE_PLAY
      return sim::Play(command->play);
#else
      return Fail(badArguments, "this build has no interactive terminal");
#endif
  }
  return 0;
}
