#include "sim/cli/Cli.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "sim/cli/KeyGuide.h"
#include "sim/run/PluginContract.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <climits>
#endif

namespace sim {

namespace {

const char generalHelp[] =
    "usage: kestrane-sim run SCENARIO [options]      run a scenario, record it, print the display\n"
    "       kestrane-sim play SCENARIO [options]     fly it yourself in the terminal\n"
    "       kestrane-sim sweep SCENARIO --vary NAME=V1,V2,... [options]\n"
    "                                                many runs, their outcomes in one table\n"
    "       kestrane-sim --version                   the version\n"
    "\n"
    "kestrane-sim COMMAND --help (or -h) tells a command's options; run --help and play --help\n"
    "also list the display's keys.\n";

const char runHelp[] =
    "usage: kestrane-sim run SCENARIO [--plugin PATH] [--host-dir DIR] [--duration S | --until T] [--dt S]\n"
    "                        [--keys LIST] [--delete LIST] [--tethers CSV] [--vessels CSV] [--every S]\n"
    "                        [--append] [--screen TXT] [--png PNG] [--save SCN] [--checkpoint S]\n"
    "                        [--checkpoint-file SCN] [--quiet] [--show] [--speed X]\n"
    "                        [--replay HTML] [--replay-every S]\n"
    "                        [--host classic|modern] [--step-callbacks timestep|prestep|both]\n"
    "                        [--set NAME=VALUE] [--summary CSV] [--link N] [--force]\n"
    "\n"
    "  --plugin PATH       another build of the plug-in module (default: beside the program)\n"
    "  --host-dir DIR      a host installation: ships of classes without MASS and PMI lines\n"
    "                      take them from DIR/Config/Vessels/CLASS.cfg (else the stock classes)\n"
    "  --duration S        run S simulated seconds (default 10); --until T: until the clock reads T\n"
    "  --dt S              the step, instead of the scenario's STEP; a span that is not a whole\n"
    "                      number of steps ends with a shorter step, at the time asked for\n"
    "  --keys \"T:KEY,...\"  press KEY (J, O, MINUS, LBRACKET, COMMA, 1, ...: the list below) on the\n"
    "                      display at the first frame that starts at or after T seconds; BTN1..BTN12\n"
    "                      click a button beside it (left side, then right), F2 turns the page of\n"
    "                      buttons, GRAVE shows the button menu\n"
    "  --delete \"T:NAME,...\"  delete vessel NAME at the start of the first frame that starts\n"
    "                      at or after T seconds, before that frame's keys\n"
    "  --tethers, --vessels  CSV samples at the start, every --every seconds (default 1) and at the end\n"
    "  --append            continue the CSV files of the run the scenario was saved from\n"
    "  --screen, --png     the display after the last frame, as text, or as a picture with its\n"
    "                      buttons' labels beside it\n"
    "  --save              the whole scenario after the last frame\n"
    "  --checkpoint S      save the scenario every S simulated seconds, beside --save as\n"
    "                      NAME-checkpoint.scn or to --checkpoint-file; run it to resume\n"
    "  --quiet             print nothing but errors\n"
    "  --show              print the display each time it changes, with the simulated time and\n"
    "                      its buttons' labels\n"
    "  --speed X           run X simulated seconds per second of wall time (default: flat out)\n"
    "  --replay HTML       a page that replays the run in 3D in a browser, sampled every\n"
    "                      --replay-every seconds (default 0.1), at 0 s and at the end; a\n"
    "                      long run's samples are thinned to keep it within 64 MB\n"
    "  --host              how the host loads and steps the module: classic (the entry layer, the\n"
    "                      callback table, opcTimestep) or modern (callbacks by name, opcPreStep);\n"
    "                      kestrane-sim is classic, the test host orbiter.exe modern\n"
    "  --step-callbacks    the per-frame callbacks the host calls instead of its own: opcTimestep,\n"
    "                      opcPreStep, or both in one frame\n"
    "  --set NAME=VALUE    write a value into the display's scenario block before it is read; NAME is\n"
    "                      setup_length, setup_force, or linkN_length, linkN_force, linkN_reel_speed\n"
    "                      for a link N (0-7) that the block ties\n"
    "  --summary CSV       one line about link --link (default 0): the --set values, peak_pull (the\n"
    "                      largest pull of any frame, N), final_length, final_distance (m), and\n"
    "                      went_slack (1 when in some frame it pulled nothing with its attach points\n"
    "                      closer than its length); CSV - writes to standard output\n"
    "\n"
    "  --force             let --save replace the scenario being run\n"
    "\n"
    "Times are the simulated clock's, which a saved scenario carries. Every output's folder is\n"
    "checked before the first frame. Ctrl-C (SIGINT), SIGTERM or SIGHUP stops a run after its\n"
    "frame and writes every output; a second one stops it at once.\n"
    "\n"
    "Exit status: 0 done; 1 an output could not be written; 2 bad arguments, an unreadable\n"
    "scenario, or a vessel no frame can carry on; 130, 143, 129 stopped by SIGINT, SIGTERM, SIGHUP.\n"
    "\n";

const char playHelp[] =
    "usage: kestrane-sim play SCENARIO [--plugin PATH] [--host-dir DIR] [--dt S]\n"
    "\n"
    "Runs the scenario in real time in the terminal (79x24 at least, or 40x27 with the list below\n"
    "the display), the display beside the list of vessels with their distance and speed relative\n"
    "to yours, and a legend of the display's keys. The scenario's description shows until the\n"
    "first key. Printable keys go to the display; the simulator keeps these:\n";

const char playHelpEnd[] =
    "\n"
    "Leaving, it offers to save the scenario and to write a replay page, in the working folder\n"
    "(NAME-saved.scn, NAME-replay.html) unless another path is typed; terminated or hung up, it\n"
    "saves a changed scenario to NAME-saved.scn in the working folder without asking.\n"
    "\n";

const char sweepHelp[] =
    "usage: kestrane-sim sweep SCENARIO --vary NAME=V1,V2,... [--vary ...] [--jobs N] [--shard K/N]\n"
    "                          [--summary CSV] [--link N] [--quiet] [--plugin PATH] [--duration S]\n"
    "                          [--dt S] [--keys LIST] [--delete LIST]\n"
    "\n"
    "Runs SCENARIO once for every combination of the --vary lists (the last list varying fastest),\n"
    "each run a separate kestrane-sim run process with --set NAME=VALUE for each list, and writes\n"
    "their --summary lines, with one header line, to --summary CSV (default: standard output), in\n"
    "the order of the combinations.\n"
    "  --vary NAME=V1,...  the values of one setting: setup_length, setup_force, or linkN_length,\n"
    "                      linkN_force, linkN_reel_speed for a link N (0-7) the scenario ties\n"
    "  --jobs N            runs at once (default: the number of cores)\n"
    "  --shard K/N         only the K-th of N equal consecutive parts of the combinations; only part 1\n"
    "                      writes the header, so the parts' files concatenated in order are the whole\n"
    "  --link N            the link summarised (default: the link of the first linkN_ list, else 0)\n"
    "  --quiet             no progress line on a terminal\n"
    "  --plugin, --duration, --dt, --keys, --delete  as for run (kestrane-sim run --help), for every run\n";

}  // namespace

std::string HelpText(Command::Topic topic) {
  switch (topic) {
    case Command::Topic::Run:
      return std::string(runHelp) + KeyListHelp();
    case Command::Topic::Play: {
      std::string text = playHelp;
      for (const PlayKeyHelp &key : PlayKeys()) {
        char line[96];
        std::snprintf(line, sizeof line, "  %-19s %s\n", key.keys, key.does);
        text += line;
      }
      return text + playHelpEnd + KeyListHelp();
    }
    case Command::Topic::Sweep:
      return sweepHelp;
    case Command::Topic::General:
      break;
  }
  return generalHelp;
}

std::string HelpHint(const std::vector<std::string> &args) {
  if (!args.empty() && (args[0] == "run" || args[0] == "play" || args[0] == "sweep"))
    return "kestrane-sim " + args[0] + " --help";
  return "kestrane-sim --help";
}

namespace {

// `unit`: what the number counts, for the message.
bool ParsePositive(const std::string &option, const std::string &text, bool allowZero, double &value,
                   std::string &error, const std::string &unit = "number of seconds") {
  char *end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(v) || v < 0 || (!allowZero && v == 0)) {
    error = option + " needs a " + (allowZero ? "non-negative " : "positive ") + unit + ", not '" + text + "'";
    return false;
  }
  value = v;
  return true;
}

std::string Trimmed(const std::string &text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool ParseHostOption(const std::string &option, const std::string &value, RunArguments &run, std::string &error) {
  if (option == "--host") {
    if (value == "classic" || value == "modern") {
      run.host = value == "classic" ? HostGeneration::Classic : HostGeneration::Modern;
      return true;
    }
    error = "--host needs classic or modern, not '" + value + "'";
    return false;
  }
  if (value == "timestep" || value == "prestep" || value == "both") {
    run.steps = value == "timestep"  ? StepCallbacks::Timestep
                : value == "prestep" ? StepCallbacks::PreStep
                                     : StepCallbacks::Both;
    return true;
  }
  error = "--step-callbacks needs timestep, prestep or both, not '" + value + "'";
  return false;
}

}  // namespace

std::optional<std::vector<TimedDeletion>> ParseDeletionList(const std::string &list, std::string &error) {
  std::vector<TimedDeletion> deletions;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    const std::string entry = Trimmed(list.substr(start, end - start));
    start = end + 1;
    if (entry.empty()) {
      if (end == list.size() && !deletions.empty()) break;
      error = "empty entry in --delete list";
      return std::nullopt;
    }
    const size_t colon = entry.find(':');
    if (colon == std::string::npos) {
      error = "--delete entry '" + entry + "' is not TIME:NAME";
      return std::nullopt;
    }
    const std::string timeText = Trimmed(entry.substr(0, colon));
    char *timeEnd = nullptr;
    const double time = std::strtod(timeText.c_str(), &timeEnd);
    if (timeText.empty() || *timeEnd != '\0' || !std::isfinite(time) || time < 0) {
      error = "--delete entry '" + entry + "' has no valid time";
      return std::nullopt;
    }
    std::string name = Trimmed(entry.substr(colon + 1));
    if (name.empty()) {
      error = "--delete entry '" + entry + "' names no vessel";
      return std::nullopt;
    }
    deletions.push_back({time, std::move(name)});
  }
  return deletions;
}

std::optional<Command> ParseCommandLine(const std::vector<std::string> &args, std::string &error) {
  Command command;
  if (args.empty()) {
    command.kind = Command::Kind::Usage;
    return command;
  }
  if (args[0] == "--version") {
    command.kind = Command::Kind::Version;
    return command;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") return command;
  const std::string &verb = args[0];
  if (verb == "sweep") {
    auto sweep = ParseSweepArguments(args, error);
    if (!sweep) return std::nullopt;
    command.kind = sweep->help ? Command::Kind::Help : Command::Kind::Sweep;
    command.topic = Command::Topic::Sweep;
    command.sweep = std::move(*sweep);
    return command;
  }
  if (verb != "run" && verb != "play") {
    error = "unknown command '" + verb + "' (expected run, play or sweep)";
    return std::nullopt;
  }
  const bool isRun = verb == "run";
  command.kind = isRun ? Command::Kind::Run : Command::Kind::Play;
  std::string scenario, plugin, hostDir;
  std::optional<double> step;
  RunArguments &run = command.run;
  bool replayEveryGiven = false;
  bool durationGiven = false;

  for (size_t i = 1; i < args.size(); ++i) {
    const std::string &arg = args[i];
    if (arg == "--help" || arg == "-h") {
      command.kind = Command::Kind::Help;
      command.topic = isRun ? Command::Topic::Run : Command::Topic::Play;
      return command;
    }
    if (arg.rfind("--", 0) != 0) {
      if (!scenario.empty()) {
        error = "unexpected argument '" + arg + "'";
        return std::nullopt;
      }
      scenario = arg;
      continue;
    }
    if (isRun && (arg == "--quiet" || arg == "--show" || arg == "--append" || arg == "--force")) {
      (arg == "--quiet" ? run.quiet : arg == "--show" ? run.show : arg == "--force" ? run.force : run.append) = true;
      continue;
    }
    if (isRun && (arg == "--host" || arg == "--step-callbacks")) {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return std::nullopt;
      }
      if (!ParseHostOption(arg, args[++i], run, error)) return std::nullopt;
      continue;
    }
    static const char *const runOnly[] = {"--duration", "--until",      "--keys",           "--delete", "--tethers",
                                          "--vessels",  "--every",      "--screen",         "--png",    "--save",
                                          "--speed",    "--checkpoint", "--checkpoint-file", "--replay",
                                          "--replay-every", "--set",   "--summary",        "--link"};
    const bool known = arg == "--plugin" || arg == "--dt" || arg == "--host-dir" ||
                       (isRun && std::find(std::begin(runOnly), std::end(runOnly), arg) != std::end(runOnly));
    if (!known) {
      error = "unknown option '" + arg + "' for " + verb;
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    const std::string &value = args[++i];
    double number = 0;
    if (arg == "--plugin") {
      plugin = value;
    } else if (arg == "--host-dir") {
      hostDir = value;
    } else if (arg == "--dt") {
      if (!ParsePositive(arg, value, false, number, error)) return std::nullopt;
      step = number;
    } else if (arg == "--duration") {
      if (!ParsePositive(arg, value, true, run.duration, error)) return std::nullopt;
      durationGiven = true;
    } else if (arg == "--until") {
      if (!ParsePositive(arg, value, true, number, error)) return std::nullopt;
      run.until = number;
    } else if (arg == "--checkpoint") {
      if (!ParsePositive(arg, value, false, run.checkpoint, error)) return std::nullopt;
    } else if (arg == "--checkpoint-file") {
      run.checkpointFile = value;
    } else if (arg == "--every") {
      if (!ParsePositive(arg, value, false, run.every, error)) return std::nullopt;
    } else if (arg == "--speed") {
      if (!ParsePositive(arg, value, false, run.speed, error, "ratio, simulated seconds per second (1: real time)"))
        return std::nullopt;
    } else if (arg == "--keys") {
      auto keys = ParseKeyList(value, error);
      if (!keys) return std::nullopt;
      // Keys due at the same time are pressed in the order given.
      std::stable_sort(keys->begin(), keys->end(),
                       [](const TimedKey &a, const TimedKey &b) { return a.time < b.time; });
      run.keys = std::move(*keys);
    } else if (arg == "--delete") {
      auto deletions = ParseDeletionList(value, error);
      if (!deletions) return std::nullopt;
      // Deletions due at the same time happen in the order given.
      std::stable_sort(deletions->begin(), deletions->end(),
                       [](const TimedDeletion &a, const TimedDeletion &b) { return a.time < b.time; });
      run.deletions = std::move(*deletions);
    } else if (arg == "--tethers") {
      run.tethers = value;
    } else if (arg == "--vessels") {
      run.vessels = value;
    } else if (arg == "--screen") {
      run.screen = value;
    } else if (arg == "--png") {
      run.png = value;
    } else if (arg == "--save") {
      run.save = value;
    } else if (arg == "--replay") {
      run.replay = value;
    } else if (arg == "--replay-every") {
      if (!ParsePositive(arg, value, false, run.replayEvery, error)) return std::nullopt;
      replayEveryGiven = true;
    } else if (arg == "--set") {
      auto setting = ParseBlockSetting(value, error);
      if (!setting) return std::nullopt;
      run.settings.push_back(*setting);
    } else if (arg == "--summary") {
      run.summary = value;
    } else if (arg == "--link") {
      const std::optional<int> link = ParseLink(value, error);
      if (!link) return std::nullopt;
      run.link = *link;
    }
  }
  if (scenario.empty()) {
    error = verb + " needs a scenario file";
    return std::nullopt;
  }
  if (replayEveryGiven && run.replay.empty()) {
    error = "--replay-every needs --replay";
    return std::nullopt;
  }
  if (isRun && durationGiven && run.until) {
    error = "--duration and --until both say when to stop: give one";
    return std::nullopt;
  }
  if (isRun && !run.checkpointFile.empty() && run.checkpoint == 0) {
    error = "--checkpoint-file needs --checkpoint S: how often to save";
    return std::nullopt;
  }
  if (isRun && run.checkpoint > 0 && run.checkpointFile.empty()) {
    if (run.save.empty()) {
      error = "--checkpoint needs --save or --checkpoint-file: where to save";
      return std::nullopt;
    }
    run.checkpointFile = CheckpointPath(run.save);
  }
  if (isRun) {
    run.scenario = scenario;
    run.plugin = plugin;
    run.step = step;
    run.hostDir = hostDir;
  } else {
    command.play = {scenario, plugin, step, hostDir};
  }
  return command;
}

std::string CheckpointPath(const std::string &savePath) {
  const std::string extension = ".scn";
  const bool hasExtension = savePath.size() > extension.size() &&
                            savePath.compare(savePath.size() - extension.size(), extension.size(), extension) == 0;
  return (hasExtension ? savePath.substr(0, savePath.size() - extension.size()) : savePath) + "-checkpoint.scn";
}

std::optional<int> ParseLink(const std::string &value, std::string &error) {
  if (value.size() != 1 || value[0] < '0' || value[0] >= '0' + plugin::linkCount) {
    error = "--link needs a link number from 0 to " + std::to_string(plugin::linkCount - 1) + ", not '" + value + "'";
    return std::nullopt;
  }
  return value[0] - '0';
}

std::string DefaultPluginPath() {
#ifdef _WIN32
  char exe[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string path(exe, n < MAX_PATH ? n : 0);
  size_t slash = path.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + std::string(plugin::moduleFile);
#else
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  std::string path(exe, n > 0 ? static_cast<size_t>(n) : 0);
  size_t slash = path.find_last_of('/');
  return (slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1)) + std::string(plugin::moduleFile);
#endif
}

}  // namespace sim
