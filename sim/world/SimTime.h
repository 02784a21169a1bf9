// Times on the simulated clock as a run compares them. The clock is a sum of steps and carries
// their rounding (three steps of 0.1 s end at 0.30000000000000004 s), so times within timeSlack of
// each other, relative to the larger of 1 s and the time, are one instant: a key timed at 0.3 s is
// pressed in the frame that starts at that sum, and a sample due at 1 s is taken at the end of the
// fiftieth frame of 0.02 s.
#pragma once

#include <algorithm>
#include <cmath>

namespace sim {

// The step of the simulated host where a scenario names none, s.
constexpr double defaultStep = 0.02;

constexpr double timeSlack = 1e-9;

// Whether `time` (s) has reached `target` (s).
inline bool Reached(double time, double target) {
  return time >= target - timeSlack * std::max(1.0, std::fabs(target));
}

// Whether `time` (s) lies after `reference` (s) by more than the slack.
inline bool After(double time, double reference) {
  return time > reference + timeSlack * std::max(1.0, std::fabs(reference));
}

}  // namespace sim
