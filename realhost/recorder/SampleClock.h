// When the recorder samples, and the times it writes: as kestrane-sim samples a run, at its start,
// at the first state at or after each multiple of the interval, and at its end.
#pragma once

#include <optional>

namespace recorder {

// Whether the host's clock `time` (s) has reached `target` (s): clocks within a billionth of each
// other, relative to the larger of 1 s and the target, are one instant, being sums of steps.
bool Reached(double time, double target);

class SampleClock {
public:
  explicit SampleClock(double interval) : every(interval) {}

  // Whether the state at `time` (s) is a sample: the first state seen, then the first at or after
  // each multiple of the interval. States come in time order.
  bool Due(double time);
  // Whether the state at `time` (s), the last of the run, still needs a sample.
  bool DueAtEnd(double time) const { return !last || *last != time; }

  // The time of a state `time` (s) reached by steps of `step` (s) from 0, as it is written: the
  // host adds each step to its clock, which collects rounding, so a clock within rounding of a
  // whole number of steps is written as that number of steps times the step, rounded to the
  // step's decimals, as kestrane-sim counts and writes its clock. Any other clock is written as it
  // stands.
  static double OnSteps(double time, double step);

private:
  double every;                // s
  long long next = 0;          // the multiple of `every` that the next sample waits for
  std::optional<double> last;  // s, the last sample's time
};

}  // namespace recorder
