#include "sim/cli/RunCommand.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "sim/cli/ExitStatus.h"
#include "sim/cli/KeyNames.h"
#include "sim/cli/RunChecks.h"
#include "sim/cli/RunConsole.h"
#include "sim/cli/RunOutputs.h"
#include "sim/cli/RunSignals.h"
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

namespace sim {

namespace {

// Every deletion from `first` on must name a vessel of the scenario that no earlier one has taken;
// those before `done` may also name one that is gone already.
bool CheckDeletions(const std::vector<TimedDeletion> &deletions, size_t first, size_t done, World &world,
                    std::string &error) {
  std::set<std::string> taken;
  for (size_t i = first; i < deletions.size(); ++i) {
    const TimedDeletion &deletion = deletions[i];
    if (world.FindByName(deletion.name) == nullptr && i >= done) {
      error = "--delete names no vessel '" + deletion.name + "' of the scenario";
      return false;
    }
    // Vessel names compare without regard to case, as the host compares them.
    if (!taken.insert(Lower(deletion.name)).second) {
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
  return static_cast<long long>(std::floor(time / period * (1 + timeSlack))) + 1;
}

// Waits until `deadline`, or until a signal asks the run to stop.
void PaceUntil(std::chrono::steady_clock::time_point deadline) {
  constexpr std::chrono::steady_clock::duration slice = std::chrono::milliseconds(50);
  while (RunSignals::Received() == 0) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return;
    std::this_thread::sleep_for(std::min(deadline - now, slice));
  }
}

// One run of a loaded simulation: what it checks and opens before the first frame, the frames with
// their keys, deletions, samples, checkpoints and redraws, and what it leaves and says at the end.
class RunSession {
public:
  RunSession(const RunArguments &arguments, Simulation &run) : args(arguments), simulation(run) {}

  // Everything before the first frame; an exit status when the run cannot start.
  std::optional<int> Start() {
    if (!args.quiet)
      for (const std::string &warning : LoadWarnings(simulation.Loaded(), plugin::modeName)) Say("warning: " + warning);
    if (!args.quiet && simulation.CarriedCount() > 0)
      std::fprintf(console, "%zu vessel%s landed, attached or orbiting another body: carried as read, not simulated\n",
                   simulation.CarriedCount(), simulation.CarriedCount() == 1 ? "" : "s");
    std::string error;
    step = simulation.GetWorld().step;
    // The clock starts where the scenario was saved: 0 for a scenario without a date.
    start = simulation.Time();
    if (args.until && !Reached(*args.until, start))
      return Fail(exitBadArguments, "--until " + FormatSeconds(*args.until) + " is before the scenario's time, " +
                                        FormatSeconds(start) + " s");
    end = args.until ? *args.until : start + args.duration;
    // Frames are counted, not timed, so that a duration that is a whole number of steps runs
    // exactly that many frames.
    const std::optional<FramePlan> planned = PlanFrames(start, end, step, args.until ? "--until" : "--duration",
                                                        args.until ? *args.until : args.duration, error);
    if (!planned) return Fail(exitBadArguments, error);
    plan = *planned;

    nextKey = DoneBefore(args.keys, start, step);
    nextDeletion = DoneBefore(args.deletions, start, step);
    // Deletions at the scenario's own time go before the first frame. The host removes a vessel at
    // the end of the frame in which it goes, before it draws and saves: a run that saved the
    // scenario at that time has removed those the scenario no longer has.
    size_t atStart = nextDeletion;
    while (atStart < args.deletions.size() && Reached(start, args.deletions[atStart].time)) ++atStart;
    if (!CheckDeletions(args.deletions, nextDeletion, start > 0 ? atStart : nextDeletion, simulation.GetWorld(), error))
      return Fail(exitBadArguments, error);
    if ((nextKey > 0 || nextDeletion > 0) && !args.quiet && !args.append)
      Say("the scenario's clock starts at " + FormatSeconds(start) + " s; " +
          Counted(static_cast<long long>(nextKey), "key") + " and " +
          Counted(static_cast<long long>(nextDeletion), "deletion") + " timed before that are taken as done");
    for (; nextDeletion < atStart; ++nextDeletion) simulation.DeleteVessel(args.deletions[nextDeletion].name);

    if (!args.quiet) WarnPastTheEnd();

    // A shorter last frame ends at the time asked for, whose decimals count too.
    const int decimals[] = {Decimals(step), Decimals(start), plan.shorterLast ? Decimals(end) : 0};
    recorder.RoundTimesTo(std::find(std::begin(decimals), std::end(decimals), -1) != std::end(decimals)
                              ? -1
                              : *std::max_element(std::begin(decimals), std::end(decimals)));
    std::vector<std::string> notes;
    if (!recorder.Open(args.tethers, args.vessels, args.append ? std::optional<double>(start) : std::nullopt, notes,
                       error))
      return Fail(exitBadArguments, error);
    if (!args.quiet)
      for (const std::string &note : notes) Say(note);
    if (!args.replay.empty()) {
      replay = std::make_unique<ReplayRecorder>(args.replayEvery, ReplayRecorder::defaultMaxBytes);
      replay->Start(simulation);
    }

    progress.emplace(!args.quiet && !args.show, end - start);
    watcher.emplace(args.show && !args.quiet, console);
    wallStart = std::chrono::steady_clock::now();
    watcher->Look(simulation);

    if (!args.summary.empty()) summary.emplace(args.link);
    if (summary) summary->Observe(simulation, true);

    recorder.FirstSample(simulation, args.every);
    lastSample = start;
    sample = NextMultiple(start, args.every);
    checkpoint = args.checkpoint > 0 ? NextMultiple(start, args.checkpoint) : 0;
    return std::nullopt;
  }

  // The frames, until the last, a signal, a failed write or a state no frame can carry on.
  void Frames() {
    while (framesRun < plan.frames && RunSignals::Received() == 0 && !recorder.Failed() && checkpointError.empty()) {
      Frame();
      if (simulation.Broken()) break;
    }
  }

  // What the run leaves and says, however it ended; the exit status.
  int Finish() {
    const bool cutShort = recorder.Failed() || !checkpointError.empty();
    const std::optional<Simulation::Breakdown> broken = simulation.Broken();
    const bool stateLost = broken && broken->fault == StateFault::NotFinite;
    progress->Done();
    if (!stateLost) {
      simulation.RedrawDisplays();
      watcher->Look(simulation);
    }

    std::vector<std::string> errors;
    if (!checkpointError.empty()) errors.push_back(checkpointError);
    WriteOutputs(simulation, args, recorder, replay.get(), lastSample, stateLost, errors);
    if (summary && !stateLost) WriteSummary(errors);

    const std::string reached = FormatSeconds(simulation.Time());
    if (!args.quiet) Report();
    const int signal = RunSignals::Received();
    // A state the scenario led to that no frame can carry on: the input cannot be run further.
    if (broken) {
      for (const std::string &line : errors) Say(line);
      const std::string outputs =
          stateLost ? "the CSV files end at t = " + FormatSeconds(lastSample) + " s and the scenario is not saved"
                    : "outputs written for that time";
      return Fail(exitBadArguments,
                  args.scenario + ": " + simulation.Describe(*broken) + "; the run stopped, " + outputs);
    }
    if (!errors.empty()) {
      for (const std::string &line : errors) Say(line);
      if (cutShort)
        Say("the run stopped at t = " + reached + " s; its other outputs are for that time");
      else if (signal != 0)
        std::fprintf(stderr, "stopped by interrupt at t = %s s; not every output was written\n", reached.c_str());
      return exitFailure;
    }
    if (signal != 0) {
      std::fprintf(stderr, "stopped by interrupt at t = %s s; outputs written\n", reached.c_str());
      return 128 + signal;
    }
    simulation.Finish();
    return 0;
  }

private:
  // Keys and deletions timed after the last frame starts are never due: said, not refused, as a
  // run to an earlier time with the same list (a look at the display on the way) is no mistake.
  void WarnPastTheEnd() const {
    const double lastStart = start + static_cast<double>(std::max(0LL, plan.frames - 1)) * step;
    const auto inRun = [&](double time) { return plan.frames > 0 && Reached(lastStart, time); };
    const auto say = [&](const char *option, size_t late, const std::string &first) {
      const std::string more = late > 1 ? " and " + std::to_string(late - 1) + " more are" : " is";
      Say(std::string("warning: ") + option + ": " + first + more + " timed after the run's last frame " +
          (plan.frames > 0 ? "starts (" + FormatSeconds(lastStart) + " s)" : "(it has none)") + ": not done");
    };
    size_t key = nextKey;
    while (key < args.keys.size() && inRun(args.keys[key].time)) ++key;
    if (key < args.keys.size())
      say("--keys", args.keys.size() - key, FormatSeconds(args.keys[key].time) + ":" + KeyName(args.keys[key].key));
    size_t deletion = nextDeletion;
    while (deletion < args.deletions.size() && inRun(args.deletions[deletion].time)) ++deletion;
    if (deletion < args.deletions.size())
      say("--delete", args.deletions.size() - deletion,
          FormatSeconds(args.deletions[deletion].time) + ":" + args.deletions[deletion].name);
  }

  void Frame() {
    const double frameStart = simulation.Time();
    const size_t firstKey = nextKey;
    due.clear();
    while (nextKey < args.keys.size() && Reached(frameStart, args.keys[nextKey].time))
      due.push_back(args.keys[nextKey++].key);
    // The last frame ends at the time asked for: a span that is not a whole number of steps ends
    // with a shorter one.
    World &world = simulation.GetWorld();
    if (plan.shorterLast && framesRun + 1 == plan.frames) {
      lastStep = LastStep(frameStart, end, step);
      world.step = *lastStep;
    }
    // A vessel goes at the end of the frame that reaches its time, before the displays are drawn
    // and the samples taken: the next frame, its keys and the plug-in's step find it gone.
    dueDeletions.clear();
    while (nextDeletion < args.deletions.size() && Reached(frameStart + world.step, args.deletions[nextDeletion].time))
      dueDeletions.push_back(args.deletions[nextDeletion++].name);
    simulation.Frame(due, dueDeletions);
    world.step = step;
    ++framesRun;
    if (const std::optional<Simulation::StaleKey> &stale = simulation.LastStaleKey(); stale && !args.quiet)
      Say("warning: at " + FormatSeconds(frameStart) + " s, " + KeyName(args.keys[firstKey + stale->key].key) +
          " acts on the display as it stood before " + KeyName(args.keys[firstKey + stale->changedBy].key) +
          ": press it a frame later");
    if (simulation.Broken()) return;
    const double frameEnd = simulation.Time();
    if (summary) summary->Observe(simulation, !due.empty() || !dueDeletions.empty());
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
    if (watcher->Enabled()) watcher->Look(simulation);
    if (progress->Enabled()) progress->Show(frameEnd - start);
    // Keep the run at its pace: wait until the wall clock catches up with simulated time.
    if (args.speed > 0)
      PaceUntil(wallStart + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                std::chrono::duration<double>((frameEnd - start) / args.speed)));
  }

  void WriteSummary(std::vector<std::string> &errors) {
    summary->Finish(simulation);
    const std::string text = RunSummary::Header(args.settings) + "\n" + summary->Row(args.settings) + "\n";
    std::string error;
    if (args.summary == "-")
      std::fputs(text.c_str(), stdout);
    else if (!WriteText(args.summary, text, error))
      errors.push_back(error);
  }

  // The display as the run left it, unless it was shown as it went, and the run's last line.
  void Report() {
    DisplayHost::Display *display = simulation.FirstDisplay();
    if (display != nullptr && !watcher->Enabled())
      std::fputs((IsTerminal(console) ? display->Surface().Ansi() : display->Surface().Text()).c_str(), console);
    // A shorter last frame is said, so that the time simulated adds up.
    char shorter[64] = "";
    if (lastStep)
      std::snprintf(shorter, sizeof shorter, framesRun == 1 ? " of %g s" : " (the last of %g s)", *lastStep);
    const std::string last = shorter;
    std::fprintf(console, "%s%s, %.3f s simulated, %s\n", Counted(framesRun, "frame").c_str(), last.c_str(),
                 simulation.Time() - start,
                 Counted(static_cast<long long>(simulation.GetWorld().VesselCount()), "vessel").c_str());
    std::fflush(console);
  }

  const RunArguments &args;
  Simulation &simulation;
  // What the run prints: standard output, unless that carries the summary alone.
  std::FILE *console = args.summary == "-" ? stderr : stdout;
  double step = 0, start = 0, end = 0;  // s
  FramePlan plan;
  std::optional<double> lastStep;  // s, of a shorter last frame
  size_t nextKey = 0, nextDeletion = 0;
  Recorder recorder;
  std::unique_ptr<ReplayRecorder> replay;
  std::optional<Progress> progress;
  std::optional<Watcher> watcher;
  std::chrono::steady_clock::time_point wallStart;
  std::optional<RunSummary> summary;
  double lastSample = 0;                 // s
  long long sample = 0, checkpoint = 0;  // the multiples of --every and --checkpoint due next
  std::string checkpointError;
  long long framesRun = 0;
  std::vector<DWORD> due;  // the keys of a frame; its storage serves every frame
  std::vector<std::string> dueDeletions;  // the vessels that go at the end of a frame
};

}  // namespace

int RunCommand(const RunArguments &args) {
  RunSignals signals;
  std::string error;
  if (!args.replay.empty() && ReplayPageTemplate().empty())
    return Fail(exitBadArguments,
                "--replay: this kestrane-sim was built without the replay page (node and npm were missing when "
                "it was configured)");
  // Found out before a long run rather than after it.
  if (!CheckOutputs(args, error)) return Fail(exitBadArguments, error);
  Simulation::Options options{args.scenario, args.plugin.empty() ? DefaultPluginPath() : args.plugin, args.step,
                              args.host, args.steps};
  options.hostDir = args.hostDir;
  options.settings = args.settings;
  try {
    Simulation simulation(options);
    RunSession session(args, simulation);
    if (const std::optional<int> refused = session.Start()) return *refused;
    session.Frames();
    return session.Finish();
  } catch (const ScenarioError &e) {
    return Fail(exitBadArguments, e.what());
  } catch (const SimulationError &e) {
    return Fail(exitBadArguments, e.what());
  }
}

}  // namespace sim
