// kestrane-sim on the host's own scenario files: the stock scenarios of a host tree (with its
// vessel class files), and the example scenarios, which are host files too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Support.h"

namespace {

using e2e::Num;
using e2e::ReadCsv;
using e2e::ReadFile;
using e2e::Result;
using e2e::Sim;

const std::string hostSample = KESTRANE_HOST_SAMPLE;

std::string Fixture(const std::string &name) { return hostSample + "/Scenarios/" + name; }

bool HaveFixtures() { return std::filesystem::is_directory(hostSample + "/Scenarios"); }

void Write(const std::string &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

std::string Replaced(std::string text, const std::string &from, const std::string &to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The host tree's sample "DG dumbbell" names the class ISS, for which the tree has no file: the
// station's class data, given in the scenario as the simulated host's own lines.
std::string DumbbellWithStationClass() {
  return Replaced(ReadFile(Fixture("DG dumbbell.scn")), "ISS\n  STATUS Orbiting Earth\n",
                  "ISS\n  STATUS Orbiting Earth\n  MASS 450000\n  PMI 385 719 508\n"
                  "  DOCK 0 0 10  0 0 1  0 1 0\n  DOCK 0 -10 0  0 -1 0  0 0 1\n  DOCK 0 0 -10  0 0 -1  0 1 0\n");
}

// The five stock scenarios, as files in the working folder; DG dumbbell with its station's class.
std::map<std::string, std::string> Fixtures() {
  std::map<std::string, std::string> files;
  for (const char *name :
       {"Challenge 1 - Launch and docking.scn", "Docked at ISS.scn", "ISS Approach.scn", "Shuttle-A Docked at ISS.scn"})
    files[name] = ReadFile(Fixture(name));
  files["DG dumbbell.scn"] = DumbbellWithStationClass();
  return files;
}

// A file name in the working folder, its own for each test: tests run side by side.
std::string Local(const std::string &test, const std::string &name) {
  std::string local = test + "_" + name;
  for (char &c : local) c = c == ' ' ? '_' : c;
  return local;
}

// The lines of a file without the values a run owns: ships' RPOS, RVEL, AROT, VROT, ELEMENTS and
// PRPLEVEL (FUEL becomes PRPLEVEL), the date, and the Kestrane display's own lines.
std::vector<std::string> WithoutOwnedLines(const std::string &text) {
  static const std::set<std::string> owned = {"RPOS", "RVEL", "AROT", "VROT", "ELEMENTS", "PRPLEVEL", "FUEL", "Date"};
  std::vector<std::string> kept;
  std::istringstream in(text);
  std::string line;
  bool inKestrane = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (line == "  MODE Kestrane") inKestrane = true;
    if (key == "END_MFD") inKestrane = false;
    if (owned.count(key) == 0 && !(inKestrane && line != "  MODE Kestrane")) kept.push_back(line);
  }
  return kept;
}

// The vessels at one time of a vessels CSV: name → x, y, z, vx, vy, vz.
std::map<std::string, std::vector<double>> VesselsAt(const std::string &csv, bool last) {
  std::map<std::string, std::vector<double>> at;
  double when = last ? -1 : 0;
  for (const auto &row : ReadCsv(csv)) {
    const double t = Num(row, "time");
    if (last && t > when) {
      at.clear();
      when = t;
    }
    if (t == when)
      at[row.at("name")] = {Num(row, "x"),  Num(row, "y"),  Num(row, "z"),
                            Num(row, "vx"), Num(row, "vy"), Num(row, "vz")};
  }
  return at;
}

}  // namespace

// Each stock scenario loads with the host tree's classes, runs a minute, and is saved; the saved
// file loads again to the same state. The run says in one line how many ships it carries.
TEST(HostScenariosTest, TheStockScenariosLoadRunSaveAndLoadAgain) {
  if (!HaveFixtures()) GTEST_SKIP() << "the host's sample tree is not at " << hostSample;
  const std::map<std::string, int> carried = {{"Challenge 1 - Launch and docking.scn", 1},
                                              {"DG dumbbell.scn", 2},
                                              {"Docked at ISS.scn", 3},
                                              {"ISS Approach.scn", 3},
                                              {"Shuttle-A Docked at ISS.scn", 6}};
  const std::string hostDir = " --host-dir \"" + hostSample + "\"";
  for (const auto &[name, text] : Fixtures()) {
    const std::string local = Local("stock", name);
    Write(local, text);
    Result r = Sim("run \"" + local + "\"" + hostDir + " --duration 60 --every 60 --vessels " + local +
                       ".first.csv --save " + local + ".saved",
                   local + ".first");
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    const std::string out = ReadFile(local + ".first.out");
    EXPECT_NE(out.find(std::to_string(carried.at(name)) + " vessel" + (carried.at(name) == 1 ? "" : "s") +
                       " landed, attached or orbiting another body: carried as read, not simulated"),
              std::string::npos)
        << name << ": " << out.substr(0, 200);

    r = Sim("run \"" + local + ".saved\"" + hostDir + " --duration 0 --quiet --vessels " + local + ".second.csv",
            local + ".second");
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    const auto before = VesselsAt(local + ".first.csv", true), after = VesselsAt(local + ".second.csv", true);
    ASSERT_EQ(before.size(), after.size()) << name;
    ASSERT_FALSE(before.empty()) << name;
    for (const auto &[vessel, state] : before)
      for (int i = 0; i < 6; ++i) {
        // Docked parts are placed again from their assembly: rounding of positions of millions of
        // metres. Free vessels come back exactly.
        const double tolerance = i < 3 ? 1e-6 : 1e-9;
        EXPECT_NEAR(after.at(vessel)[i], state[i], tolerance) << name << " " << vessel << " " << i;
      }
  }
}

// Read, run for no time and saved, a host file comes back as it was but for the values a run owns
// and the form of the numbers: also with the line ends of Windows, and also the examples.
TEST(HostScenariosTest, AFileRunForNoTimeIsSavedAsItWasRead) {
  std::map<std::string, std::string> files;
  if (HaveFixtures()) files = Fixtures();
  for (const char *example : {"tug.scn", "tow.scn", "orbit.scn", "iss.scn", "eight.scn"})
    files[example] = ReadFile(std::string(KESTRANE_SCENARIOS) + "/" + example);
  std::string crlf;
  for (char c : files.at("iss.scn")) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  files["iss-crlf.scn"] = crlf;

  const std::string hostDir = HaveFixtures() ? " --host-dir \"" + hostSample + "\"" : "";
  for (const auto &[name, text] : files) {
    const std::string local = Local("again", name);
    Write(local, text);
    Result r = Sim("run \"" + local + "\"" + hostDir + " --duration 0 --quiet --save " + local + ".saved", local);
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    const std::string saved = ReadFile(local + ".saved");
    EXPECT_EQ(WithoutOwnedLines(saved), WithoutOwnedLines(text)) << name;
  }
  EXPECT_NE(ReadFile(Local("again", "iss-crlf.scn") + ".saved").find("END_SHIPS\r\n"), std::string::npos);
  // A ship that gives its state and is docked to nothing comes back to the byte.
  EXPECT_EQ(ReadFile(Local("again", "tug.scn") + ".saved"), files.at("tug.scn"));
}

// The display's block in a full host scenario, between the host's own display blocks, is read,
// its tether tied, and written back unchanged in its place.
TEST(HostScenariosTest, TheKestraneBlockAmongTheHostsBlocksIsWrittenBackUnchanged) {
  if (!HaveFixtures()) GTEST_SKIP() << "the host's sample tree is not at " << hostSample;
  std::string block =
      "BEGIN_MFD Right\n  TYPE User\n  MODE Kestrane\n  SetupTetherLength 500\n  SetupTetherForce 1000\n"
      "  SetupTargetIndex 0\n  CurrentTether 0\n  attach_type_v1 1\n  attach_no_v1 0\n  attach_type_v2 0\n"
      "  attach_no_v2 0\n  TetherData 0 CONNECT 1\n  TetherData 0 Ship1 SH-15\n  TetherData 0 Ship2 ISS\n"
      "  TetherData 0 Length 800\n  TetherData 0 Force 1000\n  TetherData 0 Attach1 0 0 18.5\n"
      "  TetherData 0 Attach2 0 0 0\n  TetherData 0 SpoolMode 0\n  TetherData 0 ReelSpeed -0.5\n";
  for (int link = 1; link < 8; ++link) block += "  TetherData " + std::to_string(link) + " CONNECT 0\n";
  block += "END_MFD\n";
  const std::string text =
      Replaced(ReadFile(Fixture("ISS Approach.scn")),
               "BEGIN_MFD Right\n  TYPE Orbit\n  PROJ Ship\n  REF Earth\n  TARGET ISS\nEND_MFD\n", block);
  Write("host_block.scn", text);
  Result r = Sim("run host_block.scn --host-dir \"" + hostSample +
                     "\" --duration 0 --quiet --tethers host_block.csv --save host_block.saved",
                 "host_block");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto tethers = ReadCsv("host_block.csv");
  ASSERT_FALSE(tethers.empty());
  EXPECT_EQ(tethers[0].at("connected"), "1");
  EXPECT_EQ(tethers[0].at("ship1"), "SH-15");
  const std::string saved = ReadFile("host_block.saved");
  EXPECT_NE(saved.find("END_HUD\n\nBEGIN_MFD Left\n  TYPE Docking\nEND_MFD\n\n" + block + "\nBEGIN_PANEL\n"),
            std::string::npos)
      << saved;
  EXPECT_EQ(WithoutOwnedLines(saved), WithoutOwnedLines(text));
}

// A host file that is cut short, names a class known nowhere, or docks to a ship it lacks is
// refused with one line naming the file and the line.
TEST(HostScenariosTest, BadHostFilesAreRefusedInOneLine) {
  if (!HaveFixtures()) GTEST_SKIP() << "the host's sample tree is not at " << hostSample;
  const std::string docked = ReadFile(Fixture("Docked at ISS.scn"));
  const std::string approach = ReadFile(Fixture("ISS Approach.scn"));
  struct Case {
    std::string name, text, message;
  } cases[] = {
      {"bad-cut.scn", docked.substr(0, docked.rfind("END_SHIPS")), "bad-cut.scn:44: BEGIN_SHIPS is not closed"},
      {"bad-cut-ship.scn", docked.substr(0, docked.find("GL-02:DeltaGlider") + 60),
       "bad-cut-ship.scn:70: ship \"GL-02\" has no END"},
      {"bad-cut-line.scn", approach.substr(0, approach.find("  XPDR 466") + 7),
       "bad-cut-line.scn:45: ship \"ISS\" has no END"},
      {"bad-dumbbell.scn", ReadFile(Fixture("DG dumbbell.scn")),
       "bad-dumbbell.scn:45: ship \"ISS\" is of class \"ISS\", which is known nowhere: give it MASS and PMI lines, or "
       "put " +
           (std::filesystem::path(hostSample) / "Config" / "Vessels" / "ISS.cfg").string() + " in place"},
      {"bad-missing.scn", Replaced(docked, "DOCKINFO 0:1,ISS", "DOCKINFO 0:1,Skylab"),
       "bad-missing.scn:72: ship \"GL-02\" is docked to \"Skylab\", which is not among the ships"},
      {"bad-landed.scn",
       Replaced(Replaced(docked, "DOCKINFO 1:0,GL-02", "DOCKINFO 1:0,GL-01"), "DOCKINFO 0:1,ISS\n", ""),
       "bad-landed.scn:49: ship \"ISS\" is docked to \"GL-01\", which is landed on Earth and not simulated with it"},
  };
  for (const Case &c : cases) {
    Write(c.name, c.text);
    Result r = Sim("run " + c.name + " --host-dir \"" + hostSample + "\" --duration 1 --quiet", c.name);
    EXPECT_EQ(r.status, 2) << c.name;
    std::string err = r.err;
    err.erase(std::remove(err.begin(), err.end(), '\r'), err.end());  // Windows writes its line ends
    EXPECT_EQ(err, "kestrane-sim: " + c.message + "\n") << c.name;
  }
}
