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

using namespace e2e;

const std::string hostSample = KESTRANE_HOST_SAMPLE;
const std::string hostDir = " --host-dir \"" + hostSample + "\"";

std::string Fixture(const std::string &name) { return hostSample + "/Scenarios/" + name; }

bool HaveFixtures() { return std::filesystem::is_directory(hostSample + "/Scenarios"); }

void Write(const std::string &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

std::string Replaced(std::string text, const std::string &from, const std::string &to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Every scenario of the host tree, as files in the working folder.
std::map<std::string, std::string> Fixtures() {
  std::map<std::string, std::string> files;
  for (const auto &entry : std::filesystem::directory_iterator(hostSample + "/Scenarios"))
    files[entry.path().filename().string()] = FileText(entry.path().string());
  return files;
}

// "Molniya orbit" with the mass and inertia its Dragonfly's class file leaves to the vessel module.
std::string MolniyaWithDragonflyClass() {
  return Replaced(FileText(Fixture("Molniya orbit.scn")), "TUG-01:Dragonfly\n",
                  "TUG-01:Dragonfly\n  MASS 12000\n  PMI 10 10 5\n");
}

// A file name in the working folder, its own for each test: tests run side by side.
std::string Local(const std::string &test, const std::string &name) {
  std::string local = test + "_" + name;
  for (char &c : local) c = c == ' ' ? '_' : c;
  return local;
}

// The lines of a file without the values a run owns: ships' RPOS, RVEL, AROT, VROT, ELEMENTS and
// PRPLEVEL (FUEL becomes PRPLEVEL), the date and the clock, the Kestrane display's own lines and
// the module's own block.
std::vector<std::string> WithoutOwnedLines(const std::string &text) {
  static const std::set<std::string> owned = {"RPOS", "RVEL",     "AROT", "VROT",   "ELEMENTS",
                                              "FUEL", "PRPLEVEL", "Date", "SIMTIME"};
  std::vector<std::string> kept;
  std::istringstream in(text);
  std::string line;
  bool inDisplay = false, inModule = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string key;
    words >> key;
    if (line == "BEGIN_Kestrane") inModule = true;
    const bool moduleLine = inModule;
    if (inModule && key == "END") inModule = false;
    if (line == "  MODE Kestrane") inDisplay = true;
    if (key == "END_MFD") inDisplay = false;
    if (owned.count(key) == 0 && !(inDisplay && line != "  MODE Kestrane") && !moduleLine) kept.push_back(line);
  }
  while (!kept.empty() && kept.back().empty()) kept.pop_back();
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

// The lines of `text` from the first that is `from` to the first after it that is `to`.
std::string Between(const std::string &text, const std::string &from, const std::string &to) {
  const size_t start = text.find(from);
  if (start == std::string::npos) return "(no " + from + ")";
  const size_t end = text.find(to, start);
  if (end == std::string::npos) return "(no " + to + ")";
  return text.substr(start, end + to.size() - start);
}

}  // namespace

// Every scenario of the host tree runs 10 s with its classes and is saved, and the save loads again
// to the same state; the one whose class neither its file nor the simulated host describes, the
// Dragonfly of "Molniya orbit", is refused in one line naming the class, after the whole file was
// read. The run says in one line how many ships it carries.
TEST(HostScenariosTest, EveryHostScenarioRunsSavesAndLoadsAgainOrNamesTheClassItLacks) {
  if (!HaveFixtures()) GTEST_SKIP() << "the host's sample tree is not at " << hostSample;
  const std::map<std::string, int> carried = {{"Challenge 1 - Launch and docking.scn", 1},
                                              {"DG dumbbell.scn", 2},
                                              {"DG-ISS Sync Dock.scn", 2},
                                              {"Docked at ISS.scn", 3},
                                              {"ISS Approach.scn", 3},
                                              {"Shuttle-A Docked at ISS.scn", 6}};
  size_t ran = 0;
  for (const auto &[name, text] : Fixtures()) {
    const std::string local = Local("stock", name);
    Write(local, text);
    Result r = Sim("run \"" + local + "\"" + hostDir + " --duration 10 --every 10 --vessels " + local +
                       ".first.csv --save " + local + ".saved",
                   local + ".first");
    if (name == "Molniya orbit.scn") {
      EXPECT_EQ(r.status, 2);
      std::string err = r.err;
      err.erase(std::remove(err.begin(), err.end(), '\r'), err.end());  // Windows writes its line ends
      EXPECT_EQ(err, "kestrane-sim: " + local + ":67: ship \"TUG-01\" is of class \"Dragonfly\": " +
                         (std::filesystem::path(hostSample) / "Config" / "Vessels" / "Dragonfly.cfg").string() +
                         " gives no Mass and no Inertia, nor is the class built in: give the ship MASS and PMI "
                         "lines, or add them to the file\n");
      continue;
    }
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    ASSERT_EQ(carried.count(name), 1u) << name << " is a new scenario of the host tree";
    ++ran;
    const std::string out = FileText(local + ".first.out");
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
  EXPECT_EQ(ran, carried.size());
}

// A vessel module's own lines inside a ship, its sub-blocks with their "… END" lines among them,
// and a plug-in module's block come back byte for byte, in their places.
TEST(HostScenariosTest, AVesselModulesLinesAndAPluginModulesBlockComeBackByteForByte) {
  if (!HaveFixtures()) GTEST_SKIP() << "the host's sample tree is not at " << hostSample;
  const std::string molniya = MolniyaWithDragonflyClass();
  Write("nested.scn", molniya);
  Result r =
      Sim("run nested.scn" + hostDir + " --duration 10 --quiet --vessels nested.csv --save nested.saved", "nested");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string saved = FileText("nested.saved");
  const std::string internal = Between(molniya, "  INTERNAL: v1.0.0B\n", "   END INTERNAL \n");
  EXPECT_GT(std::count(internal.begin(), internal.end(), '\n'), 100);
  EXPECT_EQ(Between(saved, "TUG-01:Dragonfly\n", "   END INTERNAL \n  STATUS Orbiting Earth\n"),
            Between(molniya, "TUG-01:Dragonfly\n", "   END INTERNAL \n  STATUS Orbiting Earth\n"));
  // The ship's own state after its module's lines is read as its own, and moves.
  EXPECT_EQ(VesselsAt("nested.csv", true).count("TUG-01"), 1u);
  EXPECT_EQ(saved.find("  RPOS 2494137.61 28019405.06 34913822.56\n"), std::string::npos);
  EXPECT_NE(saved.find("  UPPERANT 0.000000 0.500000 0 0 2\n  LOWERANT 0.000000 0.500000 0 0 2\n"
                       "  HATCH 0.000000 0\nEND\nEND_SHIPS\n"),
            std::string::npos);

  const std::string sync = FileText(Fixture("DG-ISS Sync Dock.scn"));
  Write("extmfd.scn", sync);
  r = Sim("run extmfd.scn" + hostDir + " --duration 10 --quiet --save extmfd.saved", "extmfd");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string syncSaved = FileText("extmfd.saved");
  // The other module's block where it was, the plug-in's own after it, as the host writes it.
  EXPECT_NE(syncSaved.find("END_SHIPS\n\nBEGIN_ExtMFD\nEND\n\nBEGIN_Kestrane\n  SetupTetherLength"), std::string::npos)
      << syncSaved.substr(syncSaved.find("END_SHIPS"));
  EXPECT_EQ(syncSaved.substr(syncSaved.size() - 4), "END\n");
  EXPECT_EQ(WithoutOwnedLines(syncSaved), WithoutOwnedLines(sync));
}

// A DeltaGlider and a Shuttle-A, each pulling the station on a tether, move the same with the host
// tree's class files (which give no Mass for them) as with the classes built in: the stations,
// which only the tree describes, are given the same class data as the scenario's own lines.
TEST(HostScenariosTest, TheDeltaGliderAndShuttleAScenariosRunAsWithoutTheHostTree) {
  if (!HaveFixtures()) GTEST_SKIP() << "the host's sample tree is not at " << hostSample;
  // ProjectAlpha_ISS.cfg and Mir.cfg; the station's full 5000 kg tank as empty mass.
  const std::string station =
      "ISS:ProjectAlpha_ISS\n  MASS 455000\n  PMI 385 719 508\n  DOCK 0.08 -5.8 15.7  0 0 1  0 -1 0\n"
      "  DOCK 0.09 -17.9 -3.8  0 -1 0  0 0 1\n  DOCK 0.05 -4.30 -36.3  0 0 -1  0 1 0\n"
      "  DOCK 0.05 -7.7 10.3  0 -1 0  0 0 -1\n  DOCK 0.05 -18.3 -23.7  0 -1 0  0 0 -1\n";
  const std::string mir =
      "Mir\n  MASS 124340\n  PMI 86.1 79.6 37.0\n  DOCK 0 0.12 10.74  0 0 1  0 1 0\n"
      "  DOCK 0 0.12 -11.69  0 0 -1  0 1 0\n  DOCK 15.8 0.12 9.5  1 0 0  0 1 0\n";
  for (const char *name : {"ISS Approach.scn", "DG-ISS Sync Dock.scn"}) {
    const std::string text = FileText(Fixture(name));
    const std::string local = Local("mass", name);
    Write(local + ".tree.scn", text);
    Write(local + ".own.scn", Replaced(Replaced(text, "ISS:ProjectAlpha_ISS\n", station), "Mir\n", mir));
    // The focus vessel tied to the station at four fifths of their distance.
    const std::string run = " --duration 30 --every 1 --keys 0.02:A,0.04:LBRACKET,0.06:J --quiet";
    Result r = Sim("run \"" + local + ".tree.scn\"" + hostDir + run + " --tethers " + local + ".tree-t.csv --vessels " +
                       local + ".tree-v.csv",
                   local + ".tree");
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    r = Sim(
        "run \"" + local + ".own.scn\"" + run + " --tethers " + local + ".own-t.csv --vessels " + local + ".own-v.csv",
        local + ".own");
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    double peak = 0;
    for (const auto &row : ReadCsv(local + ".tree-t.csv")) peak = std::max(peak, Num(row, "pull"));
    EXPECT_GT(peak, 0) << name;
    EXPECT_EQ(FileText(local + ".tree-t.csv"), FileText(local + ".own-t.csv")) << name;
    EXPECT_EQ(FileText(local + ".tree-v.csv"), FileText(local + ".own-v.csv")) << name;
  }
}

// Read, run for no time and saved, a host file comes back as it was but for the values a run owns,
// the form of the numbers and the module's own block after the ships: also with the line ends of
// Windows, and also the examples.
TEST(HostScenariosTest, AFileRunForNoTimeIsSavedAsItWasRead) {
  std::map<std::string, std::string> files;
  if (HaveFixtures()) {
    files = Fixtures();
    files["Molniya orbit.scn"] = MolniyaWithDragonflyClass();
  }
  for (const char *example : {"tug.scn", "tow.scn", "orbit.scn", "iss.scn", "eight.scn"})
    files[example] = FileText(std::string(KESTRANE_SCENARIOS) + "/" + example);
  std::string crlf;
  for (char c : files.at("iss.scn")) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  files["iss-crlf.scn"] = crlf;

  const std::string folder = HaveFixtures() ? hostDir : "";
  for (const auto &[name, text] : files) {
    const std::string local = Local("again", name);
    Write(local, text);
    Result r = Sim("run \"" + local + "\"" + folder + " --duration 0 --quiet --save " + local + ".saved", local);
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    const std::string saved = FileText(local + ".saved");
    EXPECT_EQ(WithoutOwnedLines(saved), WithoutOwnedLines(text)) << name;
  }
  const std::string savedCrlf = FileText(Local("again", "iss-crlf.scn") + ".saved");
  EXPECT_NE(savedCrlf.find("\r\nBEGIN_Kestrane\r\n  SetupTetherLength 100\r\n"), std::string::npos);
  // A ship that gives its state and is docked to nothing comes back to the byte, and so does the
  // module's block in its place; a file without one has it after the ships.
  const std::string tug = files.at("tug.scn");
  EXPECT_EQ(FileText(Local("again", "tug.scn") + ".saved"), tug);
  const std::string bare = tug.substr(0, tug.find("END_SHIPS\n") + 10);
  const std::string local = Local("again", "bare-tug.scn");
  Write(local, bare);
  ASSERT_EQ(Sim("run \"" + local + "\" --duration 0 --quiet --save " + local + ".saved", local).status, 0);
  EXPECT_EQ(FileText(local + ".saved"),
            bare + "\nBEGIN_Kestrane\n" + Between(tug, "  SetupTetherLength", "  TetherData 7 CONNECT 0\n") + "END\n");
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
      Replaced(FileText(Fixture("ISS Approach.scn")),
               "BEGIN_MFD Right\n  TYPE Orbit\n  PROJ Ship\n  REF Earth\n  TARGET ISS\nEND_MFD\n", block);
  Write("host_block.scn", text);
  Result r =
      Sim("run host_block.scn" + hostDir + " --duration 0 --quiet --tethers host_block.csv --save host_block.saved",
          "host_block");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto tethers = ReadCsv("host_block.csv");
  ASSERT_FALSE(tethers.empty());
  EXPECT_EQ(tethers[0].at("connected"), "1");
  EXPECT_EQ(tethers[0].at("ship1"), "SH-15");
  const std::string saved = FileText("host_block.saved");
  EXPECT_NE(saved.find("END_HUD\n\nBEGIN_MFD Left\n  TYPE Docking\nEND_MFD\n\n" + block + "\nBEGIN_PANEL\n"),
            std::string::npos)
      << saved;
  EXPECT_EQ(WithoutOwnedLines(saved), WithoutOwnedLines(text));
}

// A host file that is cut short, names a class known nowhere, docks to a ship it lacks, or leaves a
// module's block open is refused with one line naming the file and the line.
TEST(HostScenariosTest, BadHostFilesAreRefusedInOneLine) {
  if (!HaveFixtures()) GTEST_SKIP() << "the host's sample tree is not at " << hostSample;
  const std::string docked = FileText(Fixture("Docked at ISS.scn"));
  const std::string approach = FileText(Fixture("ISS Approach.scn"));
  const std::string sync = FileText(Fixture("DG-ISS Sync Dock.scn"));
  struct Case {
    std::string name, text, message;
  } cases[] = {
      {"bad-cut.scn", docked.substr(0, docked.rfind("END_SHIPS")), "bad-cut.scn:44: BEGIN_SHIPS is not closed"},
      {"bad-cut-ship.scn", docked.substr(0, docked.find("GL-02:DeltaGlider") + 60),
       "bad-cut-ship.scn:70: ship \"GL-02\" has no END"},
      {"bad-cut-line.scn", approach.substr(0, approach.find("  XPDR 466") + 7),
       "bad-cut-line.scn:45: ship \"ISS\" has no END"},
      {"bad-module.scn", sync.substr(0, sync.rfind("END")),
       "bad-module.scn:105: BEGIN_ExtMFD is not closed: its END is missing"},
      {"bad-class.scn", Replaced(docked, "ISS:ProjectAlpha_ISS", "ISS:Skylab"),
       "bad-class.scn:45: ship \"ISS\" is of class \"Skylab\", which is known nowhere: give it MASS and PMI lines, or "
       "put " +
           (std::filesystem::path(hostSample) / "Config" / "Vessels" / "Skylab.cfg").string() + " in place"},
      {"bad-missing.scn", Replaced(docked, "DOCKINFO 0:1,ISS", "DOCKINFO 0:1,Skylab"),
       "bad-missing.scn:72: ship \"GL-02\" is docked to \"Skylab\", which is not among the ships"},
      {"bad-landed.scn",
       Replaced(Replaced(docked, "DOCKINFO 1:0,GL-02", "DOCKINFO 1:0,GL-01"), "DOCKINFO 0:1,ISS\n", ""),
       "bad-landed.scn:49: ship \"ISS\" is docked to \"GL-01\", which is landed on Earth and not simulated with it"},
  };
  for (const Case &c : cases) {
    Write(c.name, c.text);
    Result r = Sim("run " + c.name + hostDir + " --duration 1 --quiet", c.name);
    EXPECT_EQ(r.status, 2) << c.name;
    std::string err = r.err;
    err.erase(std::remove(err.begin(), err.end(), '\r'), err.end());  // Windows writes its line ends
    EXPECT_EQ(err, "kestrane-sim: " + c.message + "\n") << c.name;
  }
}
