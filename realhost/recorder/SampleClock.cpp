#include "SampleClock.h"

#include <algorithm>
#include <cmath>

namespace recorder {

namespace {

// Clocks within this share of each other are the same instant: they are sums of steps.
constexpr double timeSlack = 1e-9;

}  // namespace

bool Reached(double time, double target) { return time >= target - timeSlack * std::max(1.0, std::fabs(target)); }

bool SampleClock::Due(double time) {
  const bool first = !last;
  if (!first && !Reached(time, static_cast<double>(next) * every)) return false;
  while (Reached(time, static_cast<double>(next) * every)) ++next;
  last = time;
  return true;
}

double SampleClock::OnSteps(double time, double step) {
  if (!(step > 0)) return time;
  const double steps = std::round(time / step);
  const double counted = steps * step;
  return std::fabs(counted - time) <= timeSlack * std::max(1.0, std::fabs(time)) ? counted : time;
}

}  // namespace recorder
