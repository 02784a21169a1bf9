#include "sim/cli/Sweep.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

#include "sim/cli/Cli.h"
#include "sim/cli/ExitStatus.h"
#include "sim/cli/RunChecks.h"
#include "sim/run/BlockWarnings.h"
#include "sim/run/PluginContract.h"
#include "sim/run/Summary.h"
#include "sim/scenario/ScenarioWorld.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>

extern char **environ;
#endif

namespace sim {

namespace {

constexpr size_t maxCombinations = 10000000;
constexpr unsigned maxJobs = 1024;
constexpr size_t maxShards = 1000000;

// A whole number from 1 to `most`, or 0.
size_t Count(const std::string &text, size_t most) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  const size_t value = std::stoul(text);
  return value <= most ? value : 0;
}

bool ParseList(const std::string &text, std::vector<SweepList> &lists, std::string &error) {
  const size_t equals = text.find('=');
  SweepList list{text.substr(0, equals), {}};
  if (equals == std::string::npos || !BlockKey(list.name)) {
    error = "--vary '" + text + "' is not NAME=V1,V2,... with NAME one of setup_length, setup_force, " +
            "linkN_length, linkN_force, linkN_reel_speed (N 0-7)";
    return false;
  }
  for (const SweepList &other : lists)
    if (other.name == list.name) {
      error = "--vary names " + list.name + " twice";
      return false;
    }
  const std::string values = text.substr(equals + 1);
  for (size_t start = 0; start <= values.size();) {
    size_t end = std::min(values.find(',', start), values.size());
    const std::string entry = values.substr(start, end - start);
    auto value = SettingValue(entry);
    if (!value) {
      error = "--vary " + list.name + ": '" + entry + "' is not a finite number";
      return false;
    }
    if (const std::optional<std::string> slip = SettingSlip(list.name, *value)) {
      error = "--vary " + list.name + "=" + entry + ": " + *slip;
      return false;
    }
    list.values.push_back(*value);
    start = end + 1;
  }
  lists.push_back(std::move(list));
  return true;
}

}  // namespace

std::optional<SweepArguments> ParseSweepArguments(const std::vector<std::string> &args, std::string &error) {
  SweepArguments sweep;
  bool linkGiven = false;
  static const char *const passed[] = {"--plugin", "--duration", "--dt", "--keys", "--delete"};
  static const char *const own[] = {"--vary", "--jobs", "--shard", "--summary", "--link"};
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string &arg = args[i];
    if (arg == "--help" || arg == "-h") {
      sweep.help = true;
      return sweep;
    }
    if (arg.rfind("--", 0) != 0) {
      if (!sweep.scenario.empty()) {
        error = "unexpected argument '" + arg + "'";
        return std::nullopt;
      }
      sweep.scenario = arg;
      continue;
    }
    if (arg == "--quiet") {
      sweep.quiet = true;
      continue;
    }
    const bool isPassed = std::find(std::begin(passed), std::end(passed), arg) != std::end(passed);
    const bool isOwn = std::find(std::begin(own), std::end(own), arg) != std::end(own);
    if (!isPassed && !isOwn) {
      error = "unknown option '" + arg + "' for sweep";
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    const std::string &value = args[++i];
    if (isPassed) {
      sweep.runOptions.push_back(arg);
      sweep.runOptions.push_back(value);
    } else if (arg == "--vary") {
      if (!ParseList(value, sweep.lists, error)) return std::nullopt;
    } else if (arg == "--jobs") {
      sweep.jobs = static_cast<unsigned>(Count(value, maxJobs));
      if (sweep.jobs == 0) {
        error = "--jobs needs a whole number from 1 to " + std::to_string(maxJobs) + ", not '" + value + "'";
        return std::nullopt;
      }
    } else if (arg == "--shard") {
      const size_t slash = value.find('/');
      sweep.shards = slash == std::string::npos ? 0 : Count(value.substr(slash + 1), maxShards);
      sweep.shard = slash == std::string::npos ? 0 : Count(value.substr(0, slash), sweep.shards);
      if (sweep.shard == 0) {
        error = "--shard needs K/N with 1 <= K <= N, not '" + value + "'";
        return std::nullopt;
      }
    } else if (arg == "--summary") {
      sweep.summary = value;
    } else if (arg == "--link") {
      const std::optional<int> link = ParseLink(value, error);
      if (!link) return std::nullopt;
      sweep.link = *link;
      linkGiven = true;
    }
  }
  if (sweep.scenario.empty()) {
    error = "sweep needs a scenario file";
    return std::nullopt;
  }
  if (sweep.lists.empty()) {
    error = "sweep needs at least one --vary NAME=V1,V2,...";
    return std::nullopt;
  }
  // The options every run gets are checked as run checks them.
  std::vector<std::string> run = {"run", sweep.scenario};
  run.insert(run.end(), sweep.runOptions.begin(), sweep.runOptions.end());
  if (!ParseCommandLine(run, error)) return std::nullopt;
  if (!linkGiven)
    for (const SweepList &list : sweep.lists)
      if (SettingLink(list.name) >= 0) {
        sweep.link = SettingLink(list.name);
        break;
      }
  return sweep;
}

std::optional<std::vector<std::vector<BlockSetting>>> Combinations(const std::vector<SweepList> &lists, size_t limit) {
  size_t count = 1;
  for (const SweepList &list : lists) {
    if (list.values.empty()) return std::vector<std::vector<BlockSetting>>{};
    if (count > limit / list.values.size()) return std::nullopt;
    count *= list.values.size();
  }
  std::vector<std::vector<BlockSetting>> combinations;
  combinations.reserve(count);
  for (size_t n = 0; n < count; ++n) {
    std::vector<BlockSetting> settings(lists.size());
    size_t rest = n;
    for (size_t i = lists.size(); i-- > 0;) {
      settings[i] = {lists[i].name, lists[i].values[rest % lists[i].values.size()]};
      rest /= lists[i].values.size();
    }
    combinations.push_back(std::move(settings));
  }
  return combinations;
}

std::pair<size_t, size_t> ShardRange(size_t count, size_t shard, size_t shards) {
  if (shards == 0 || shard == 0 || shard > shards) return {0, 0};
  // In 128 bits in effect: count × shard may not fit, so the quotient and remainder go apart.
  auto bound = [&](size_t k) { return count / shards * k + count % shards * k / shards; };
  return {bound(shard - 1), bound(shard)};
}

#ifdef _WIN32

int Sweep(const SweepArguments &) {
  return Fail(exitBadArguments, "sweep starts its runs as separate processes, which this Windows build does not do");
}

#else

namespace {

// One run in progress: its process and the pipe that carries its output.
struct Job {
  size_t index;
  pid_t pid;
  int output;
  std::string text;
};

std::string SelfPath() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string("kestrane-sim");
}

// Starts `kestrane-sim run` for one combination; its standard output and error go to one pipe.
bool Start(const std::string &self, const SweepArguments &args, const std::vector<BlockSetting> &settings, Job &job,
           std::string &error) {
  std::vector<std::string> words = {self, "run", args.scenario};
  words.insert(words.end(), args.runOptions.begin(), args.runOptions.end());
  for (const BlockSetting &s : settings) {
    words.push_back("--set");
    words.push_back(s.name + "=" + s.value);
  }
  words.insert(words.end(), {"--link", std::to_string(args.link), "--summary", "-", "--quiet"});
  std::vector<char *> argv;
  for (std::string &w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
  const int failed = posix_spawn(&job.pid, self.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (failed != 0) {
    close(pipeEnds[0]);
    error = "cannot start '" + self + "': " + std::strerror(failed);
    return false;
  }
  job.output = pipeEnds[0];
  return true;
}

// The line after the summary's header in what a run printed; empty when there is none.
std::string SummaryRow(const std::string &text, const std::string &header) {
  size_t at = 0;
  while ((at = text.find(header + "\n", at)) != std::string::npos) {
    if (at == 0 || text[at - 1] == '\n') {
      const size_t start = at + header.size() + 1, end = text.find('\n', start);
      if (end != std::string::npos) return text.substr(start, end - start);
    }
    at += header.size();
  }
  return {};
}

// The last line a run printed: the reason a failed run gives.
std::string LastLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const size_t newline = text.find_last_of('\n');
  return newline == std::string::npos ? text : text.substr(newline + 1);
}

std::string Described(const std::vector<BlockSetting> &settings) {
  std::string text;
  for (const BlockSetting &s : settings) text += (text.empty() ? "" : " ") + s.name + "=" + s.value;
  return text;
}

}  // namespace

int Sweep(const SweepArguments &args) {
  auto combinations = Combinations(args.lists, maxCombinations);
  if (!combinations)
    return Fail(exitBadArguments,
                "the --vary lists make more than " + std::to_string(maxCombinations) + " combinations");
  const auto [first, last] = ShardRange(combinations->size(), args.shard, args.shards);
  // The scenario and the settings are checked once here rather than in every run.
  try {
    Scenario scenario = LoadScenarioFile(args.scenario);
    RequireShips(scenario);
    // Said once here: the runs are quiet.
    if (!args.quiet)
      for (const std::string &warning : LoadWarnings(scenario, plugin::modeName)) Say("warning: " + warning);
    if (!combinations->empty()) ApplyBlockSettings(scenario, plugin::modeName, combinations->front());
  } catch (const ScenarioError &e) {
    return Fail(exitBadArguments, e.what());
  }

  // The summary goes to a file beside the target that replaces it once complete, so a sweep that
  // fails or is stopped leaves an earlier summary as it was; a place that cannot be written is
  // found before the runs.
  const std::string partial = args.summary.empty() ? "" : args.summary + ".partial";
  std::ofstream out;
  if (!partial.empty()) {
    std::string error;
    if (!OutputWritable("--summary", args.summary, OutputKind::Replaced, error)) return Fail(exitBadArguments, error);
    out.open(partial, std::ios::binary | std::ios::trunc);
    if (!out) return Fail(exitBadArguments, "cannot write '" + args.summary + "'");
  }

  const std::string self = SelfPath();
  const size_t count = last - first;
  unsigned jobs = args.jobs != 0 ? args.jobs : std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::string> rows(count);
  std::vector<Job> running;
  size_t next = first, done = 0;
  std::string failure;
  int failureStatus = exitFailure;
  size_t failureIndex = last;  // the first combination that failed, so the report does not depend on timing
  const bool progress = !args.quiet && isatty(STDERR_FILENO);
  const auto start = std::chrono::steady_clock::now();
  bool shown = false;

  while ((next < last && failure.empty()) || !running.empty()) {
    while (next < last && failure.empty() && running.size() < jobs) {
      Job job{next, 0, -1, {}};
      std::string error;
      if (!Start(self, args, (*combinations)[next], job, error)) {
        failure = error;
        break;
      }
      running.push_back(job);
      ++next;
    }
    if (running.empty()) break;

    std::vector<pollfd> waiting;
    for (const Job &job : running) waiting.push_back({job.output, POLLIN, 0});
    if (poll(waiting.data(), waiting.size(), -1) < 0 && errno != EINTR) {
      failure = std::string("waiting for the runs failed: ") + std::strerror(errno);
      break;
    }
    for (size_t i = running.size(); i-- > 0;) {
      if (waiting[i].revents == 0) continue;
      Job &job = running[i];
      char buffer[4096];
      const ssize_t n = read(job.output, buffer, sizeof buffer);
      if (n > 0) {
        job.text.append(buffer, static_cast<size_t>(n));
        continue;
      }
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      // The run has closed its output: it is ending.
      close(job.output);
      int status = 0;
      while (waitpid(job.pid, &status, 0) < 0 && errno == EINTR) {
      }
      const std::string described = Described((*combinations)[job.index]);
      const std::string row = SummaryRow(job.text, RunSummary::Header((*combinations)[job.index]));
      if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && !row.empty()) {
        rows[job.index - first] = row;
      } else if (job.index < failureIndex) {
        failureIndex = job.index;
        std::string reason = LastLine(job.text);
        const std::string prefix = "kestrane-sim: ";
        if (reason.rfind(prefix, 0) == 0) reason.erase(0, prefix.size());
        // A run that refused its arguments refused the sweep's.
        failureStatus = WIFEXITED(status) && WEXITSTATUS(status) == exitBadArguments ? exitBadArguments : exitFailure;
        if (WIFSIGNALED(status))
          reason = "ended by signal " + std::to_string(WTERMSIG(status));
        else if (reason.empty() || WEXITSTATUS(status) == 0)
          reason = "it printed no summary";
        failure = "the run with " + described + " failed: " + reason;
      }
      running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
      ++done;
      if (progress && std::chrono::steady_clock::now() - start > std::chrono::seconds(1)) {
        std::fprintf(stderr, "\r  sweep: %zu of %zu runs done, %zu running ", done, count, running.size());
        std::fflush(stderr);
        shown = true;
      }
    }
  }
  if (shown) std::fprintf(stderr, "\r%60s\r", "");
  if (!failure.empty()) {
    if (!partial.empty()) {
      out.close();
      std::remove(partial.c_str());
    }
    return Fail(failureStatus, failure);
  }

  std::string text;
  if (args.shard == 1)
    text = RunSummary::Header(combinations->empty() ? std::vector<BlockSetting>{} : combinations->front()) + "\n";
  for (const std::string &row : rows) text += row + "\n";
  if (args.summary.empty()) {
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : Fail(exitFailure, "writing the summary failed");
  }
  out << text;
  out.close();
  if (!out || std::rename(partial.c_str(), args.summary.c_str()) != 0) {
    std::remove(partial.c_str());
    return Fail(exitFailure, "cannot write '" + args.summary + "'");
  }
  return 0;
}

#endif

}  // namespace sim
