// A run stopped from outside: SIGINT and SIGTERM at random moments, a second signal, SIGKILL
// after a checkpoint, and a file size limit. Nothing computed before the stop may be lost or
// misreported, and the run resumed from what it saved ends where the uninterrupted run ends.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Support.h"

namespace {

using namespace e2e;

// spin.scn: a tug and a pod turning about their centre of mass on a taut 1000 m tether, which the
// O key at 0 s pays out at 0.1 m/s. Samples every 10 s over 10000 s.
const std::string spinRun = std::string(KESTRANE_TEST_SCENARIOS) + "/spin.scn --every 10 --keys 0:O";
constexpr double spinDuration = 10000;  // s
constexpr int tetherRowsPerSample = 8, vesselRowsPerSample = 2;
const char *const tetherHeader =
    "time,link,connected,ship1,ship2,length,distance,stretch,pull,force,reel_speed,spool_mode";

// How far a resumed run may end from the uninterrupted one. The plug-in's scenario block reads
// the tether's length in single precision: it comes back up to half an ulp off, 6.1e-5 m between
// 1024 and 2048 m. The pair's angular momentum is kept, so a radius off by δr turns it slower by
// 2 δr / r: over the 70 radians left at most, 8.5e-6 rad, which moves the pod, up to 1600 m out,
// by 1.4 cm. The plug-in's restart of the stretch rate at the re-tie adds far less.
constexpr double resumedPositionTolerance = 0.02;    // m
constexpr double resumedVelocityTolerance = 3.0e-4;  // m/s: the position's at the pair's 0.0144 rad/s

#ifdef KESTRANE_HAVE_REPLAY_PAGE
constexpr bool replayPage = true;
#else
constexpr bool replayPage = false;
#endif

// How long a step may wait for the program to show what it waits for.
constexpr std::chrono::seconds patience{120};

std::vector<std::string> Lines(const std::string &path) {
  std::vector<std::string> lines;
  std::istringstream in(FileText(path));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string TimeOf(const std::string &row) { return row.substr(0, row.find(',')); }

off_t SizeOf(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_size : 0;
}

void Remove(std::initializer_list<std::string> paths) {
  for (const std::string &path : paths) std::remove(path.c_str());
}

// kestrane-sim started in its own process, its standard output and error in `name`.out and
// `name`.err, with `fileLimit` bytes (0: none) as the largest file it may write.
pid_t Start(const std::string &args, const std::string &name, rlim_t fileLimit = 0) {
  std::vector<std::string> words{KESTRANE_SIM};
  std::istringstream split(args + " --plugin " + KESTRANE_MODULE);
  for (std::string word; split >> word;) words.push_back(word);
  const std::string out = name + ".out", err = name + ".err";
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(outFd, 1);
  dup2(errFd, 2);
  if (fileLimit > 0) {
    const rlimit limit{fileLimit, fileLimit};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  std::vector<char *> argv;
  for (std::string &word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  execv(argv[0], argv.data());
  _exit(127);
}

// The exit status, or 128 + the signal that ended the process.
int Wait(pid_t pid) {
  int raw = 0;
  while (waitpid(pid, &raw, 0) < 0) {
  }
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

// Waits until the file has grown to `size` bytes; false when the process ended first.
bool WaitForSize(pid_t pid, const std::string &path, off_t size) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (SizeOf(path) < size) {
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0 ||
        std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return true;
}

// A CSV file of whole samples: the header once, every row with all its fields and a line end,
// `rowsPerSample` rows for every time.
::testing::AssertionResult WholeSamples(const std::string &path, const std::string &header, size_t rowsPerSample) {
  const std::string text = FileText(path);
  if (text.empty() || text.back() != '\n') return ::testing::AssertionFailure() << path << " ends inside a row";
  const std::vector<std::string> lines = Lines(path);
  if (lines.empty() || lines[0] != header) return ::testing::AssertionFailure() << path << " lacks its header";
  const auto commas = std::count(header.begin(), header.end(), ',');
  std::string time;
  size_t rows = 0;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (std::count(lines[i].begin(), lines[i].end(), ',') != commas)
      return ::testing::AssertionFailure() << path << ":" << i + 1 << " is not a whole row: " << lines[i];
    if (TimeOf(lines[i]) != time) {
      if (rows % rowsPerSample != 0) return ::testing::AssertionFailure() << path << ": sample " << time << " is cut";
      time = TimeOf(lines[i]);
      rows = 0;
    }
    ++rows;
  }
  if (rows != rowsPerSample) return ::testing::AssertionFailure() << path << ": the last sample is cut";
  return ::testing::AssertionSuccess();
}

// The last sample's vessel rows as numbers: x, y, z, vx, vy, vz of each vessel.
std::vector<std::vector<double>> LastVessels(const std::vector<std::string> &lines) {
  std::vector<std::vector<double>> vessels;
  for (size_t i = lines.size() - vesselRowsPerSample; i < lines.size(); ++i) {
    std::vector<double> numbers;
    std::istringstream fields(lines[i].substr(lines[i].find(',', lines[i].find(',') + 1) + 1));
    for (std::string field; std::getline(fields, field, ',');) numbers.push_back(std::atof(field.c_str()));
    vessels.push_back(numbers);
  }
  return vessels;
}

class InterruptTest : public ::testing::Test {
protected:
  // The run without interruption, once for the tests of this program; its files are its own, as
  // test programs run side by side.
  static void SetUpTestSuite() {
    const std::string name = "int_ref_" + std::to_string(getpid());
    referencePath = name + "_t.csv";
    const e2e::Result r = e2e::Sim(
        "run " + spinRun + " --duration 10000 --quiet --tethers " + referencePath + " --vessels " + name + "_v.csv",
        name);
    ASSERT_EQ(r.status, 0) << r.err;
  }

  void SetUp() override {
    referenceTethers = Lines(referencePath);
    referenceVessels = Lines(referencePath.substr(0, referencePath.size() - 6) + "_v.csv");
    ASSERT_EQ(referenceTethers.size(), 1 + 1001u * tetherRowsPerSample);
  }

  // A continued CSV: every time of the reference in order, and `extra` (the stop's own sample, or
  // nothing when it fell on a sample time); rows up to `stop` exactly as the reference has them.
  void ExpectContinued(const std::vector<std::string> &lines, const std::vector<std::string> &reference, double stop,
                       const std::string &extra) {
    std::vector<std::string> times, referenceTimes;
    size_t r = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
      ASSERT_NE(lines[i], lines[0]) << "a second header at line " << i + 1;
      if (TimeOf(lines[i]) == extra) continue;
      ASSERT_LT(++r, reference.size());
      if (std::atof(TimeOf(lines[i]).c_str()) <= stop) {
        ASSERT_EQ(lines[i], reference[r]) << "line " << i + 1;
      }
      if (times.empty() || times.back() != TimeOf(lines[i])) times.push_back(TimeOf(lines[i]));
    }
    for (size_t i = 1; i < reference.size(); ++i)
      if (referenceTimes.empty() || referenceTimes.back() != TimeOf(reference[i]))
        referenceTimes.push_back(TimeOf(reference[i]));
    EXPECT_EQ(times, referenceTimes);
  }

  // How far the continued run's last sample lies from the reference's; fails beyond the tolerances.
  void ExpectEndsAsTheReference(const std::vector<std::string> &vessels, double &worstPosition, double &worstVelocity) {
    const auto ended = LastVessels(vessels), expected = LastVessels(referenceVessels);
    for (size_t v = 0; v < expected.size(); ++v) {
      for (size_t i = 0; i < 6; ++i) {
        const double difference = std::fabs(ended[v][i] - expected[v][i]);
        (i < 3 ? worstPosition : worstVelocity) = std::max(i < 3 ? worstPosition : worstVelocity, difference);
        EXPECT_LE(difference, i < 3 ? resumedPositionTolerance : resumedVelocityTolerance)
            << "vessel " << v << " " << i;
      }
    }
  }

  static inline std::string referencePath;  // the reference tethers file
  std::vector<std::string> referenceTethers, referenceVessels;
};

TEST_F(InterruptTest, SigintAndSigtermAtRandomMomentsEndOnWholeSamplesAndTheRunResumesToTheSameEnd) {
  std::mt19937 random(1729);
  const off_t fullSize = SizeOf(referencePath);
  double worstPosition = 0, worstVelocity = 0;
  int stops = 0, late = 0;
  for (const int signal : {SIGINT, SIGTERM}) {
    for (int n = 0; n < 20; ++n) {
      SCOPED_TRACE((signal == SIGINT ? "SIGINT " : "SIGTERM ") + std::to_string(n));
      Remove({"int_t.csv", "int_v.csv", "int.scn", "int.txt", "int.html", "int_replay.html"});
      // Some moment while the run writes between 2 % and 85 % of its tether rows.
      std::uniform_int_distribution<off_t> moment(fullSize / 50, fullSize * 85 / 100);
      const off_t evidence = moment(random);
      // The first stop by each signal writes a replay page too.
      const bool replay = n == 0 && replayPage;
      const std::string replayArgs = " --replay-every 10 --replay ";
      const pid_t pid = Start("run " + spinRun +
                                  " --duration 10000 --quiet --tethers int_t.csv --vessels int_v.csv --save int.scn "
                                  "--screen int.txt" +
                                  (replay ? replayArgs + "int.html" : ""),
                              "int");
      const bool running = WaitForSize(pid, "int_t.csv", evidence);
      if (running) kill(pid, signal);
      const int status = Wait(pid);
      const std::string err = FileText("int.err");
      // On a busy machine the run may end before the signal is sent: another moment then.
      if (status == 0 && late < 10) {
        ++late;
        --n;
        continue;
      }
      ASSERT_EQ(status, 128 + signal) << err;

      const std::string prefix = "stopped by interrupt at t = ", suffix = " s; outputs written\n";
      ASSERT_EQ(err.compare(0, prefix.size(), prefix), 0) << err;
      ASSERT_EQ(err.size() - err.rfind(suffix), suffix.size()) << err;
      const std::string reached = err.substr(prefix.size(), err.find(' ', prefix.size()) - prefix.size());
      const double stop = std::atof(reached.c_str());
      ++stops;
      // The page is the page of the run up to the time reached.
      if (replay) {
        const e2e::Result whole = e2e::Sim(
            "run " + spinRun + " --duration " + reached + " --quiet" + replayArgs + "int_replay.html", "int_replay");
        ASSERT_EQ(whole.status, 0) << whole.err;
        const std::string page = FileText("int.html");
        EXPECT_GT(page.size(), 0u);
        EXPECT_TRUE(page == FileText("int_replay.html")) << "the replay of the run stopped at " << reached;
      }

      // Whole samples up to the time reached, the last one at that time.
      ASSERT_TRUE(WholeSamples("int_t.csv", referenceTethers[0], tetherRowsPerSample));
      ASSERT_TRUE(WholeSamples("int_v.csv", referenceVessels[0], vesselRowsPerSample));
      const std::vector<std::string> tethers = Lines("int_t.csv");
      const std::string last = TimeOf(tethers.back());
      EXPECT_NEAR(std::atof(last.c_str()), stop, 1e-6);
      EXPECT_NE(FileText("int.txt").find("Status  : Reeling"), std::string::npos);
      // A stop between two sample times adds a sample of its own.
      const bool offSample =
          std::find_if(referenceTethers.begin(), referenceTethers.end(),
                       [&](const std::string &row) { return TimeOf(row) == last; }) == referenceTethers.end();

      // The saved scenario loads and the run goes on from it, the CSV files appended.
      const e2e::Result resumed = e2e::Sim(
          "run int.scn --until 10000 --every 10 --keys 0:O --quiet --append "
          "--tethers int_t.csv --vessels int_v.csv",
          "int_resumed");
      ASSERT_EQ(resumed.status, 0) << resumed.err;
      EXPECT_EQ(resumed.err, "");
      ExpectContinued(Lines("int_t.csv"), referenceTethers, stop, offSample ? last : "");
      ExpectContinued(Lines("int_v.csv"), referenceVessels, stop, offSample ? last : "");
      ExpectEndsAsTheReference(Lines("int_v.csv"), worstPosition, worstVelocity);
    }
  }
  EXPECT_EQ(stops, 40);
  std::printf("resumed runs end within %.3g m and %.3g m/s of the uninterrupted run (%d signals came late)\n",
              worstPosition, worstVelocity, late);
}

TEST_F(InterruptTest, ASecondSignalEndsTheRunAtOnceWithTheCsvWhole) {
  Remove({"int2_t.csv", "int2.scn"});
  const pid_t pid = Start("run " + spinRun + " --duration 1e9 --quiet --tethers int2_t.csv --save int2.scn", "int2");
  ASSERT_TRUE(WaitForSize(pid, "int2_t.csv", 20000));
  // Both signals wait while the program is stopped and arrive together: the second handler runs
  // before the program can finish a frame.
  kill(pid, SIGSTOP);
  kill(pid, SIGINT);
  kill(pid, SIGTERM);
  kill(pid, SIGCONT);
  const int status = Wait(pid);
  EXPECT_TRUE(status == 128 + SIGINT || status == 128 + SIGTERM) << status;
  EXPECT_EQ(FileText("int2.err"), "");
  EXPECT_EQ(SizeOf("int2.scn"), 0) << "no outputs after the second signal";
  EXPECT_TRUE(WholeSamples("int2_t.csv", referenceTethers[0], tetherRowsPerSample));
}

TEST_F(InterruptTest, AKilledRunResumesFromItsLastCheckpoint) {
  Remove({"kill_t.csv", "kill_v.csv", "kill.scn", "kill-checkpoint.scn"});
  const std::string outputs = " --tethers kill_t.csv --vessels kill_v.csv --save kill.scn --checkpoint 1000";
  const pid_t pid = Start("run " + spinRun + " --duration 10000 --quiet" + outputs, "kill");
  // The first checkpoint is written once the samples of 1000 s are; kill some samples later.
  const off_t checkpointed = SizeOf(referencePath) / 10;
  ASSERT_TRUE(WaitForSize(pid, "kill-checkpoint.scn", 1));
  ASSERT_TRUE(WaitForSize(pid, "kill_t.csv", checkpointed + checkpointed / 3));
  kill(pid, SIGKILL);
  ASSERT_EQ(Wait(pid), 128 + SIGKILL);
  EXPECT_EQ(SizeOf("kill.scn"), 0);
  const std::string checkpoint = FileText("kill-checkpoint.scn");
  EXPECT_NE(checkpoint.find("\n  SIMTIME "), std::string::npos) << checkpoint;

  // The rows after the checkpoint go, which the run says, and it continues from the checkpoint,
  // every sample taken once.
  const e2e::Result resumed =
      e2e::Sim("run kill-checkpoint.scn --until 10000 --every 10 --keys 0:O" + outputs + " --append", "kill_resumed");
  ASSERT_EQ(resumed.status, 0) << resumed.err;
  EXPECT_NE(resumed.err.find("'kill_t.csv': "), std::string::npos) << resumed.err;
  EXPECT_NE(resumed.err.find(" dropped\n"), std::string::npos) << resumed.err;
  const std::vector<std::string> tethers = Lines("kill_t.csv"), vessels = Lines("kill_v.csv");
  const std::string clock = "\n  SIMTIME ";
  const double checkpointTime = std::atof(checkpoint.c_str() + checkpoint.find(clock) + clock.size());
  EXPECT_EQ(std::fmod(checkpointTime, 1000), 0.0) << checkpointTime;
  ExpectContinued(tethers, referenceTethers, checkpointTime, "");
  ExpectContinued(vessels, referenceVessels, checkpointTime, "");
  double position = 0, velocity = 0;
  ExpectEndsAsTheReference(vessels, position, velocity);
  EXPECT_NE(FileText("kill.scn").find("\n  SIMTIME 10000\n"), std::string::npos);
}

TEST(FileSizeLimitTest, AFileTooLargeIsReportedLikeAFullDiskWithWholeRowsAndNoPartialSave) {
  // The tethers file reaches the limit first; the run stops there and its other outputs are for
  // the time it reached.
  Remove({"fsz_t.csv", "fsz_v.csv", "fsz.scn"});
  constexpr rlim_t limit = 64 * 1024;
  pid_t pid =
      Start("run " + spinRun + " --duration 10000 --quiet --tethers fsz_t.csv --vessels fsz_v.csv --save fsz.scn",
            "fsz", limit);
  EXPECT_EQ(Wait(pid), 1);
  // The sample that failed is cut from the tethers file; the vessels file has it.
  const std::string reached = TimeOf(Lines("fsz_v.csv").back());
  const std::string err = FileText("fsz.err"), stopped = "kestrane-sim: the run stopped at t = ";
  EXPECT_EQ(err.substr(0, err.find(stopped)), "kestrane-sim: writing 'fsz_t.csv' failed: File too large\n");
  ASSERT_NE(err.find(stopped), std::string::npos) << err;
  EXPECT_EQ(std::atof(err.c_str() + err.find(stopped) + stopped.size()), std::atof(reached.c_str())) << err;
  EXPECT_EQ(err.substr(err.find(" s; ")), " s; its other outputs are for that time\n");
  EXPECT_LE(SizeOf("fsz_t.csv"), static_cast<off_t>(limit));
  EXPECT_EQ(std::atof(TimeOf(Lines("fsz_t.csv").back()).c_str()), std::atof(reached.c_str()) - 10);
  EXPECT_TRUE(WholeSamples("fsz_t.csv", tetherHeader, tetherRowsPerSample));
  EXPECT_TRUE(WholeSamples("fsz_v.csv", "time,name,x,y,z,vx,vy,vz", vesselRowsPerSample));
  const e2e::Result loads = e2e::Sim("run fsz.scn --duration 0 --quiet", "fsz_load");
  EXPECT_EQ(loads.status, 0) << loads.err;

  // A scenario larger than the limit is not saved at all, and no temporary file is left.
  Remove({"fsz2.scn"});
  pid = Start("run " + spinRun + " --duration 1 --quiet --save fsz2.scn", "fsz2", 1024);
  EXPECT_EQ(Wait(pid), 1);
  EXPECT_EQ(FileText("fsz2.err"), "kestrane-sim: fsz2.scn: not saved: File too large\n");
  struct stat info;
  EXPECT_NE(stat("fsz2.scn", &info), 0);
  EXPECT_NE(stat("fsz2.scn.saving", &info), 0);
}

}  // namespace

#endif
