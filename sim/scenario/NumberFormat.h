// Real numbers as text in the shortest form that reads back to the same double, and back; times
// for messages.
#pragma once

#include <string>
#include <string_view>

namespace sim {

// The first of %.15g, %.16g and %.17g that reads back to the same double, so 1000 stays "1000"
// and 0.1 stays "0.1".
std::string FormatReal(double value);
// FormatReal's text appended to `out`, which allocates nothing once `out` has room.
void AppendReal(std::string &out, double value);

// The decimals of `value`'s shortest form ("0.02": 2, "1e-05": 5, "2.5e-07": 8, "520": 0); -1
// past maxDecimals, where a time of the clock would no longer hold them.
constexpr int maxDecimals = 12;
int Decimals(double value);
// `time` rounded to `decimals` (unchanged when negative): the double nearest that decimal, which
// FormatReal writes as such ("0.7" for 35 steps of 0.02 s, 0.7000000000000001).
double RoundedTime(double time, int decimals);

// A time for messages, to the microsecond and without trailing zeros: "37.3", "520", "0.000125".
std::string FormatSeconds(double seconds);

// A whole word as a finite real, correctly rounded (a leading '+' is allowed). Empty when it is
// one; otherwise the problem: "is not a number", "is out of range" or "is not a finite number".
std::string ReadReal(std::string_view word, double &value);

}  // namespace sim
