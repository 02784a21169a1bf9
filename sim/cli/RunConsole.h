// What `kestrane-sim run` shows on the terminal while it runs: a progress line once the run takes
// more than a moment, and the display each time it changes (--show).
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "sim/run/Simulation.h"

namespace sim {

// Whether `file` (stdout, stderr) is a terminal.
bool IsTerminal(std::FILE *file);

// A progress line on the terminal, once the run has taken more than a moment of wall time.
class Progress {
public:
  // `total`: the simulated seconds the run is to take.
  Progress(bool wanted, double total);

  // `time`: the simulated seconds run so far.
  void Show(double time);
  // Clears the line, if it was shown.
  void Done();
  bool Enabled() const { return enabled; }

private:
  using Clock = std::chrono::steady_clock;
  bool enabled;
  double duration;  // s
  Clock::time_point start, last;
  bool shown = false;
};

// Prints the display each time its text changes, to `console` (standard output, or standard error
// where standard output carries a summary): in place on a terminal, as a sequence of screens with
// their simulated time otherwise.
class Watcher {
public:
  explicit Watcher(bool wanted, std::FILE *console = stdout);

  void Look(Simulation &simulation);
  bool Enabled() const { return enabled; }

private:
  bool enabled, terminal;
  std::FILE *out;
  std::string shown;
  int lines = 0;
};

}  // namespace sim
