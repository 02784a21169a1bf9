#include "SampleClock.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "CsvRows.h"

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
  if (!(std::fabs(counted - time) <= timeSlack * std::max(1.0, std::fabs(time)))) return time;
  // Rounded to the step's decimals, as kestrane-sim writes its clock: 35 steps of 0.02 s are 0.7.
  const std::string text = FormatReal(step);
  const size_t point = text.find('.'), e = text.find('e');
  int decimals =
      point == std::string::npos ? 0 : static_cast<int>((e == std::string::npos ? text.size() : e) - point - 1);
  if (e != std::string::npos) decimals -= std::atoi(text.c_str() + e + 1);
  const double scale = std::pow(10.0, std::max(decimals, 0));
  if (decimals > 12 || !(std::fabs(counted * scale) < 4503599627370496.0)) return counted;
  return std::round(counted * scale) / scale;
}

}  // namespace recorder
