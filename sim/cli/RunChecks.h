// What `run` finds out before its first frame, so that a run that cannot work is refused at once
// rather than lost at its end: a span the clock cannot count in steps, and outputs that cannot be
// written where they are to go.
#pragma once

#include <optional>
#include <string>

#include "sim/cli/Cli.h"

namespace sim {

// The most steps the clock counts: beyond them a step no longer moves the clock by its length.
constexpr double maxRunSteps = 4503599627370496.0;  // 2^52

// How a run covers its span in frames of its step. A span that is not a whole number of steps
// ends with a shorter frame, so that the run ends at the time asked for: the host and the
// plug-in both take each frame's step as it comes, as the real host's steps vary.
struct FramePlan {
  long long frames = 0;
  bool shorterLast = false;
};

// The frames from simulated time `start` to `end` (s) in steps of `step` (s); nothing, with a
// one-line reason naming the option and the value given ("--duration 1e+18"), when the clock
// cannot count them.
std::optional<FramePlan> PlanFrames(double start, double end, double step, const std::string &option, double given,
                                    std::string &error);

// The step of the last frame of a plan with a shorter last frame, which starts at `time`: what
// is left to `end`, never more than `step`.
double LastStep(double time, double end, double step);

// How an output reaches its place: written there, or written beside it and renamed over it.
enum class OutputKind { InPlace, Replaced };

// Whether a file can be written at `path`: its folder exists and the path is not a folder; a file
// written in place that is there already can be written (a device such as /dev/stdout too),
// while a new one, or one replaced from beside it, needs a folder that takes a new file. `error`
// names the file and the option.
bool OutputWritable(const std::string &option, const std::string &path, OutputKind kind, std::string &error);

// Every output of a run checked as above, and no two of them the same file (but for the scenario
// saved at the end and its checkpoints, which hold the same state).
bool CheckOutputs(const RunArguments &args, std::string &error);

// "1 frame", "2 frames".
std::string Counted(long long count, const std::string &noun);

}  // namespace sim
