// The plug-in's own scenario block (BEGIN_Kestrane … END), which the host hands the module at load
// and asks for at save, whether or not a display of the mode is open.
#include <gtest/gtest.h>

#include <string>

#include "Support.h"

namespace {

using namespace e2e;

void Write(const std::string &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

// The text without its first block that starts with `begin` and ends at the line `end`.
std::string Without(const std::string &text, const std::string &begin, const std::string &end) {
  const size_t from = text.find(begin), to = text.find("\n" + end + "\n", from);
  if (from == std::string::npos || to == std::string::npos) return text;
  return text.substr(0, from) + text.substr(to + end.size() + 2);
}
std::string WithoutDisplay(const std::string &text) { return Without(text, "BEGIN_MFD", "END_MFD"); }

const char *const block =
    "  SetupTetherLength 1000\n  SetupTetherForce 2000\n  SetupTargetIndex 1\n"
    "  CurrentTether 0\n  attach_type_v1 0\n  attach_no_v1 0\n  attach_type_v2 0\n"
    "  attach_no_v2 0\n";

std::string Link(int n, const std::string &length) {
  const std::string key = "  TetherData " + std::to_string(n);
  return key + " CONNECT 1\n" + key + " Ship1 Tug\n" + key + " Ship2 Pod\n" + key + " Length " + length + "\n" + key +
         " Force 2000\n" + key + " Attach1 0 0 0\n" + key + " Attach2 0 0 0\n" + key + " SpoolMode 0\n" + key +
         " ReelSpeed 0\n";
}

}  // namespace

// Tied, saved, and loaded again from the module's block alone (the display's block taken out): the
// tether is tied from the first sample on, as long as it was saved; saved again, the file has the
// module's block after the ships. The test host's way of loading the module does the same.
TEST(ModuleStateTest, ASaveWithoutADisplayBlockKeepsTheTethers) {
  Result r = Sim(std::string("run \"") + KESTRANE_SCENARIOS +
                     "/tug.scn\" --duration 20 --keys 0:MINUS,0.02:A,0.04:J,3:I --quiet --save module_first.scn",
                 "module_first");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string first = FileText("module_first.scn");
  const size_t own = first.find("\nBEGIN_Kestrane\n", first.find("END_SHIPS\n"));
  ASSERT_NE(own, std::string::npos) << first;
  const std::string length = "  TetherData 0 Length ";
  const size_t at = first.find(length, own);
  ASSERT_NE(at, std::string::npos);
  const double saved = std::stod(first.substr(at + length.size()));
  EXPECT_NEAR(saved, 1498.3, 1e-4);  // measured at 0.02 s, reeled in at 0.1 m/s for 17 s

  for (const char *host : {"classic", "modern"}) {
    const std::string name = std::string("module_only_") + host;
    Write(name + ".scn", WithoutDisplay(first));
    r = Sim("run " + name + ".scn --host " + host + " --duration 1 --quiet --tethers " + name + ".csv --save " + name +
                ".saved",
            name);
    ASSERT_EQ(r.status, 0) << host << ": " << r.err;
    const auto rows = ReadCsv(name + ".csv");
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].at("connected"), "1") << host;
    EXPECT_EQ(rows[0].at("ship2"), "Pod") << host;
    // Read in single precision, as the display's block is.
    EXPECT_NEAR(Num(rows[0], "length"), saved, 1e-3) << host;
    EXPECT_EQ(Num(rows[0], "reel_speed"), static_cast<double>(-0.1f)) << host;
    const std::string again = FileText(name + ".saved");
    EXPECT_NE(again.find("\nBEGIN_Kestrane\n  SetupTetherLength", again.find("END_SHIPS\n")), std::string::npos)
        << host;
    EXPECT_EQ(again.find("BEGIN_Kestrane", again.find("BEGIN_Kestrane") + 1), std::string::npos) << host;
  }
}

// With both blocks the module's is read first and the display's after it, as the host reads them:
// a link the display's block ties has its length; one only the module's block ties stays tied.
TEST(ModuleStateTest, TheDisplaysBlockIsReadAfterTheModulesBlock) {
  std::string text = Without(FileText(std::string(KESTRANE_SCENARIOS) + "/tug.scn"), "BEGIN_Kestrane", "END");
  const size_t mode = text.find("  MODE Kestrane\n") + 16;
  const size_t end = text.find("END_MFD", mode);
  std::string display = block + Link(0, "700");
  for (int n = 1; n < 8; ++n) display += "  TetherData " + std::to_string(n) + " CONNECT 0\n";
  text.replace(mode, end - mode, display);
  std::string module = block + Link(0, "500") + Link(1, "600");
  for (int n = 2; n < 8; ++n) module += "  TetherData " + std::to_string(n) + " CONNECT 0\n";
  text += "\nBEGIN_Kestrane\n" + module + "END\n";
  Write("both_blocks.scn", text);
  // One frame: the plug-in's records show its links from its first step on.
  Result r = Sim("run both_blocks.scn --duration 0.02 --quiet --tethers both_blocks.csv", "both_blocks");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = ReadCsv("both_blocks.csv");
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(Num(rows[8], "length"), 700);
  EXPECT_EQ(rows[9].at("connected"), "1");
  EXPECT_EQ(Num(rows[9], "length"), 600);
  EXPECT_EQ(rows[10].at("connected"), "0");
}
