// The built kestrane-sim.exe with the built Kestrane.dll, started as a Windows process: a run with
// keys that connects and reels, its saved scenario run again, and a refused scenario.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "NativePath.h"

namespace {

// The exit status of kestrane-sim with `args`, or -1 when it did not start.
long RunSim(const std::string &args) {
  std::string command = "\"" + NativePath(KESTRANE_SIM) + "\" " + args + " --plugin \"" +
                        NativePath(KESTRANE_MODULE) + "\"";
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<long>(status);
}

// The file's lines, without line ends of either kind.
std::vector<std::string> Lines(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool Has(const std::vector<std::string> &lines, const std::string &wanted) {
  for (const std::string &line : lines) {
    if (line == wanted) return true;
  }
  return false;
}

TEST(SimRun, KeysConnectAndReelAndTheSavedScenarioKeepsTheTether) {
  const std::string tug = NativePath(std::string(KESTRANE_SCENARIOS) + "/tug.scn");
  ASSERT_EQ(RunSim("run \"" + tug + "\" --duration 3 --keys \"0:MINUS,0.02:A,0.04:J,1:I\" --quiet" +
                   " --save first.scn --screen first.txt"),
            0);
  const std::vector<std::string> saved = Lines("first.scn");
  EXPECT_TRUE(Has(saved, "  TetherData 0 CONNECT 1"));
  EXPECT_TRUE(Has(saved, "  TetherData 0 Ship2 Pod"));
  EXPECT_TRUE(Has(saved, "  TetherData 0 ReelSpeed -0.1"));
  const std::vector<std::string> screen = Lines("first.txt");
  ASSERT_GE(screen.size(), 14u);
  EXPECT_EQ(screen[0], "Kestrane");
  EXPECT_EQ(screen[13], "Status  : Reeling");

  ASSERT_EQ(RunSim("run first.scn --duration 1 --quiet --tethers second.csv --save second.scn"), 0);
  const std::vector<std::string> samples = Lines("second.csv");
  ASSERT_GE(samples.size(), 2u);
  // The saved scenario carries its time: the second run's clock goes on from 3 s.
  EXPECT_EQ(samples[1].rfind("3,0,1,Tug,Pod,", 0), 0u) << samples[1];
  EXPECT_TRUE(Has(Lines("second.scn"), "  TetherData 0 CONNECT 1"));
}

// The display's buttons clicked from the command line tie and reel as their keys do, and the
// button menu shows in place of the screen.
TEST(SimRun, ButtonsClickAndTheMenuShows) {
  const std::string tug = NativePath(std::string(KESTRANE_SCENARIOS) + "/tug.scn");
  ASSERT_EQ(RunSim("run \"" + tug + "\" --duration 2 --keys \"0:BTN7,0:BTN6,0:BTN1,1:BTN3\" --quiet" +
                   " --screen buttons.txt"),
            0);
  const std::vector<std::string> screen = Lines("buttons.txt");
  ASSERT_GE(screen.size(), 22u);
  EXPECT_EQ(screen[13], "Status  : Reeling");
  EXPECT_EQ(screen[21], "Reel     : -0.10 m/sec");

  ASSERT_EQ(RunSim("run \"" + tug + "\" --duration 1 --keys 0:GRAVE --quiet --screen menu.txt"), 0);
  const std::vector<std::string> menu = Lines("menu.txt");
  ASSERT_GE(menu.size(), 5u);
  EXPECT_EQ(menu[0], "MFD MENU");
  EXPECT_EQ(menu[3], "with the setup              Next target");
  EXPECT_EQ(menu[4], "[LShift-J]                   [LShift--]");
}

TEST(SimRun, AnUnreadableScenarioExitsWithStatusTwo) {
  EXPECT_EQ(RunSim("run no-such-scenario.scn --quiet"), 2);
}

}  // namespace
