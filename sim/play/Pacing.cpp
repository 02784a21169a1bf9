#include "sim/play/Pacing.h"

#include <algorithm>
#include <cmath>

#include "sim/world/SimTime.h"

namespace sim {

double TimeAcceleration::Factor() const { return std::ldexp(1.0, exponent); }

bool TimeAcceleration::Faster() {
  if (exponent >= fastest) return false;
  ++exponent;
  return true;
}

bool TimeAcceleration::Slower() {
  if (exponent <= slowest) return false;
  --exponent;
  return true;
}

std::string TimeAcceleration::Label() const {
  if (exponent >= 0) return std::to_string(1L << exponent);
  return "1/" + std::to_string(1L << -exponent);
}

Pacer::Pacer(double stepLength, double longestGap) : step(stepLength), maxGap(longestGap) {}

long Pacer::FramesFor(double wall, double factor) {
  owed += std::clamp(wall, 0.0, maxGap) * factor;
  // A due time that is a whole number of steps but for rounding still counts whole.
  const double frames = std::floor(owed / step + timeSlack);
  owed = std::max(0.0, owed - frames * step);
  return static_cast<long>(frames);
}

RateMeter::RateMeter(double windowLength) : window(windowLength) {}

void RateMeter::Add(double wall, double simTime) {
  samples.push_back({wall, simTime});
  // Keep one sample at or before the window's start, so the rate spans the whole window.
  while (samples.size() > 2 && samples[1].wall <= wall - window) samples.erase(samples.begin());
}

std::optional<double> RateMeter::Rate() const {
  if (samples.size() < 2) return std::nullopt;
  const double span = samples.back().wall - samples.front().wall;
  if (span < window / 2) return std::nullopt;
  return (samples.back().simTime - samples.front().simTime) / span;
}

void RateMeter::Reset() { samples.clear(); }

}  // namespace sim
