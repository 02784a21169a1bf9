// The pace of `kestrane-sim play`: the time acceleration, the fixed steps due for the wall time
// gone, and the rate of simulated time achieved.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sim {

// Time acceleration in powers of two, 1/8 to 64.
class TimeAcceleration {
public:
  static constexpr int slowest = -3;  // 1/8
  static constexpr int fastest = 6;   // 64

  // Simulated seconds per second of wall time.
  double Factor() const;
  // One power of two up or down; false, unchanged, at the bound.
  bool Faster();
  bool Slower();
  // "1/8", "1/2", "1", "64".
  std::string Label() const;

private:
  int exponent = 0;
};

// Turns wall time into frames of the fixed step: a higher acceleration runs more steps per second
// of wall time, never longer ones. The part of a step not yet due carries to the next call.
class Pacer {
public:
  // step: s of simulated time per frame. maxGap: s of wall time; a longer gap between two calls
  // (the process was stopped, the machine stalled) counts as this much, so that the run does not
  // race to catch up.
  explicit Pacer(double step, double maxGap = 0.25);

  // The frames due after `wall` seconds of wall time at `factor` simulated seconds per wall second.
  // A caller that cannot run them all in its frame budget drops the rest: they are not owed again.
  long FramesFor(double wall, double factor);

private:
  double step;
  double maxGap;
  double owed = 0;  // s of simulated time due but less than a step
};

// The simulated seconds per wall second actually achieved, over a window of wall time.
class RateMeter {
public:
  explicit RateMeter(double window = 1.0);
  // A sample: wall clock and simulated time, both in seconds; wall times increase.
  void Add(double wall, double simTime);
  // Nothing until the samples span half a window.
  std::optional<double> Rate() const;
  // Forgets the samples (after a pause or a change of acceleration).
  void Reset();

private:
  struct Sample {
    double wall, simTime;
  };
  double window;
  std::vector<Sample> samples;
};

}  // namespace sim
