// kestrane-sim: runs the plug-in on a scenario in the simulated host.
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
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
#include "sim/run/Recorder.h"
#include "sim/run/Simulation.h"
#include "sim/run/Summary.h"

#ifdef KESTRANE_HAVE_PLAY
#include "sim/cli/Play.h"
#endif

namespace {

constexpr int badArguments = 2;
constexpr int failure = 1;

// Simulated times within this of each other count as the same instant: frame start times are
// sums of steps and carry rounding.
constexpr double timeSlack = 1e-9;

bool Reached(double time, double target) { return time >= target - timeSlack * std::max(1.0, std::fabs(target)); }

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
    std::string text = display->Surface().Text();
    if (text == shown) return;
    shown = text;
    char time[64];
    std::snprintf(time, sizeof time, "t = %.2f s", simulation.Time());
    if (terminal) {
      // Back over the previous screen, each line cleared before it is drawn again.
      if (lines > 0) std::printf("\033[%dA", lines);
      std::string ansi = display->Surface().Ansi();
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
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) error = "cannot write '" + path + "'";
  return static_cast<bool>(out);
}

// Lower case, for comparing vessel names as the host does.
std::string Folded(std::string name) {
  for (char &c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

// Every deletion must name a vessel of the scenario that no earlier deletion has taken.
bool CheckDeletions(const std::vector<sim::TimedDeletion> &deletions, sim::World &world, std::string &error) {
  std::set<std::string> taken;
  for (const sim::TimedDeletion &deletion : deletions) {
    if (world.FindByName(deletion.name) == nullptr) {
      error = "--delete names no vessel '" + deletion.name + "' of the scenario";
      return false;
    }
    if (!taken.insert(Folded(deletion.name)).second) {
      error = "--delete names vessel '" + deletion.name + "' twice";
      return false;
    }
  }
  return true;
}

int Run(const sim::RunArguments &args) {
  sim::Simulation::Options options{args.scenario, args.plugin.empty() ? sim::DefaultPluginPath() : args.plugin,
                                   args.step, args.settings};
  std::string error;
  try {
    sim::Simulation simulation(options);
    if (!CheckDeletions(args.deletions, simulation.GetWorld(), error)) return Fail(badArguments, error);
    sim::Recorder recorder;
    if (!recorder.Open(args.tethers, args.vessels, error)) return Fail(badArguments, error);

    const double step = simulation.GetWorld().step;
    // Frames are counted, not timed, so that a duration that is a whole number of steps runs
    // exactly that many frames.
    const long frames = static_cast<long>(std::ceil(args.duration / step - timeSlack));
    Progress progress(!args.quiet && !args.show, args.duration);
    Watcher watcher(args.show && !args.quiet);
    const auto wallStart = std::chrono::steady_clock::now();
    watcher.Look(simulation);

    std::optional<sim::RunSummary> summary;
    if (!args.summary.empty()) summary.emplace(args.link);
    if (summary) summary->Observe(simulation, true);

    recorder.Sample(simulation);
    double lastSample = simulation.Time();
    double nextSample = args.every;
    size_t nextKey = 0, nextDeletion = 0;
    for (long frame = 0; frame < frames; ++frame) {
      const double start = simulation.Time();
      // Vessels go at the start of the frame, so that the keys of the same frame and the plug-in's
      // step already find them gone.
      const size_t deletedBefore = nextDeletion;
      while (nextDeletion < args.deletions.size() && Reached(start, args.deletions[nextDeletion].time))
        simulation.DeleteVessel(args.deletions[nextDeletion++].name);
      std::vector<DWORD> due;
      while (nextKey < args.keys.size() && Reached(start, args.keys[nextKey].time))
        due.push_back(args.keys[nextKey++].key);
      simulation.Frame(due);
      if (summary) summary->Observe(simulation, !due.empty() || nextDeletion != deletedBefore);
      const double end = simulation.Time();
      // Displays are redrawn once per second of simulated time.
      if (std::floor(end + timeSlack) > std::floor(start + timeSlack)) simulation.RedrawDisplays();
      if (Reached(end, nextSample)) {
        recorder.Sample(simulation);
        lastSample = end;
        while (Reached(end, nextSample)) nextSample += args.every;
      }
      watcher.Look(simulation);
      progress.Show(end);
      if (args.speed > 0) {
        // Keep the run at its pace: wait until the wall clock catches up with simulated time.
        std::this_thread::sleep_until(wallStart + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                      std::chrono::duration<double>(end / args.speed)));
      }
    }
    progress.Done();
    simulation.RedrawDisplays();
    watcher.Look(simulation);
    if (lastSample != simulation.Time()) recorder.Sample(simulation);
    if (!recorder.Close(error)) return Fail(failure, error);
    if (summary) {
      summary->Finish(simulation);
      const std::string text = sim::RunSummary::Header(args.settings) + "\n" + summary->Row(args.settings) + "\n";
      if (args.summary == "-")
        std::fputs(text.c_str(), stdout);
      else if (!WriteText(args.summary, text, error))
        return Fail(failure, error);
    }

    sim::DisplayHost::Display *display = simulation.FirstDisplay();
    if (!args.screen.empty()) {
      if (display == nullptr) return Fail(failure, "no display is open to write '" + args.screen + "'");
      if (!WriteText(args.screen, display->Surface().Text(), error)) return Fail(failure, error);
    }
    if (!args.png.empty()) {
      if (display == nullptr) return Fail(failure, "no display is open to draw '" + args.png + "'");
      if (!display->Surface().WritePng(args.png, error)) return Fail(failure, error);
    }
    if (!args.save.empty()) simulation.Save(args.save);
    if (!args.quiet) {
      if (display != nullptr && !watcher.Enabled()) {
        const bool terminal = isatty(fileno(stdout));
        std::fputs((terminal ? display->Surface().Ansi() : display->Surface().Text()).c_str(), stdout);
      }
      std::printf("%ld frames, %.3f s simulated, %zu vessels\n", frames, simulation.Time(),
                  simulation.GetWorld().VesselCount());
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

int main(int argc, char **argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto command = sim::ParseCommandLine(args, error);
  if (!command) return Fail(badArguments, error + " (see kestrane-sim --help)");
  switch (command->kind) {
    case sim::Command::Kind::Help:
      std::fputs(sim::usageText, stdout);
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
