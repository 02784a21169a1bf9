#include "sim/cli/RunChecks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "sim/world/SimTime.h"

namespace sim {

namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// The same file whichever way it is written: an absolute, normal form.
std::string Canonical(const std::string &path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return (error ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

}  // namespace

std::optional<FramePlan> PlanFrames(double start, double end, double step, const std::string &option, double given,
                                    std::string &error) {
  const double steps = (end - start) / step;
  const double furthest = std::max(std::fabs(start), std::fabs(end)) / step;
  // The clock reads start + n × step: both n and the time it reaches must stay countable.
  if (!(steps <= maxRunSteps) || !(furthest <= maxRunSteps)) {
    error = option + " " + Number(given) + " needs " + Number(std::max(steps, furthest)) + " steps of " + Number(step) +
            " s: the clock counts no more than 2^52 (4.5e+15)";
    return std::nullopt;
  }
  FramePlan plan;
  if (steps <= 0) return plan;
  // A span within rounding of a whole number of steps is that number of steps.
  const double whole = std::ceil(steps - timeSlack);
  plan.frames = static_cast<long long>(whole);
  plan.shorterLast = whole - steps > timeSlack;
  return plan;
}

double LastStep(double time, double end, double step) {
  const double left = end - time;
  return left > 0 && left < step ? left : step;
}

bool OutputWritable(const std::string &option, const std::string &path, OutputKind kind, std::string &error) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const std::string named = "cannot write '" + path + "' (" + option + "): ";
  std::error_code status;
  if (!fs::exists(folder, status)) {
    error = named + "no folder '" + folder.string() + "'";
    return false;
  }
  if (!fs::is_directory(folder, status)) {
    error = named + "'" + folder.string() + "' is not a folder";
    return false;
  }
  if (fs::is_directory(target, status)) {
    error = named + "it is a folder";
    return false;
  }
  if (kind == OutputKind::InPlace && fs::exists(target, status)) {
    // Opened as it is, not emptied.
    if (std::ofstream(target, std::ios::binary | std::ios::app)) return true;
    error = named + "the file there cannot be written";
    return false;
  }
  // A new file in the folder, under a name nothing else has, and gone again.
  fs::path probe;
  for (int n = 0;; ++n) {
    probe = folder / (target.filename().string() + ".probe" + std::to_string(n));
    if (!fs::exists(probe, status)) break;
  }
  bool created = false;
  {
    std::ofstream out(probe, std::ios::binary);
    created = static_cast<bool>(out);
  }
  fs::remove(probe, status);
  if (!created) {
    error = named + "its folder takes no new file";
    return false;
  }
  return true;
}

bool CheckOutputs(const RunArguments &args, std::string &error) {
  // Scenarios and the replay page are written beside their place and renamed over it.
  const struct {
    const char *option;
    const std::string *path;
    OutputKind kind;
  } outputs[] = {
      {"--tethers", &args.tethers, OutputKind::InPlace},
      {"--vessels", &args.vessels, OutputKind::InPlace},
      {"--screen", &args.screen, OutputKind::InPlace},
      {"--png", &args.png, OutputKind::InPlace},
      {"--save", &args.save, OutputKind::Replaced},
      {"--checkpoint-file", &args.checkpointFile, OutputKind::Replaced},
      {"--replay", &args.replay, OutputKind::Replaced},
      {"--summary", &args.summary, OutputKind::InPlace},
  };
  std::vector<std::pair<const char *, std::string>> seen;
  for (const auto &output : outputs) {
    const std::string option = output.option, &path = *output.path;
    // Standard output is always there.
    if (path.empty() || (path == "-" && option == "--summary")) continue;
    if (!OutputWritable(option, path, output.kind, error)) return false;
    const std::string canonical = Canonical(path);
    for (const auto &[other, otherPath] : seen) {
      const bool sameState = option == "--checkpoint-file" && std::string(other) == "--save";
      if (otherPath == canonical && !sameState) {
        error = std::string(other) + " and " + option + " both write '" + path + "'";
        return false;
      }
    }
    seen.push_back({output.option, canonical});
  }
  // The scenario being run is not replaced by accident; its checkpoints, which a resumed run
  // writes over the checkpoint it started from, hold the same state.
  std::error_code status;
  if (!args.save.empty() && !args.force &&
      (Canonical(args.save) == Canonical(args.scenario) ||
       std::filesystem::equivalent(args.save, args.scenario, status))) {
    error = "--save '" + args.save + "' is the scenario being run: give --force to replace it";
    return false;
  }
  return true;
}

std::string Counted(long long count, const std::string &noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace sim
