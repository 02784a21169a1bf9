// How kestrane-sim ends and says why: 0 when all went well, exitFailure when an output could not be
// written, exitBadArguments for bad arguments, an unreadable scenario or a run that cannot go on,
// 128 + N after signal N; every reason on a line of its own on standard error.
#pragma once

#include <string>

namespace sim {

constexpr int exitFailure = 1;
constexpr int exitBadArguments = 2;

// "kestrane-sim: LINE" on standard error.
void Say(const std::string &line);
// Says `reason` and returns `status`.
int Fail(int status, const std::string &reason);

}  // namespace sim
