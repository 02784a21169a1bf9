// Where play offers to save, and what answers to the offer mean.
#include "sim/play/SavePaths.h"

#include <gtest/gtest.h>

namespace {

TEST(PlaySaveTest, DefaultPathIsInTheWorkingFolderAndOnlyClearAnswersSave) {
  // Never into the scenario's own folder: the project's examples or the host's scenarios.
  EXPECT_EQ(sim::DefaultSavePath("scenarios/tug.scn"), "tug-saved.scn");
  EXPECT_EQ(sim::DefaultSavePath("TUG.SCN"), "TUG-saved.scn");
  EXPECT_EQ(sim::DefaultSavePath("runs.d/tug"), "tug-saved.scn");
  EXPECT_EQ(sim::DefaultSavePath("C:\\Orbiter\\Scenarios\\tug.scn"), "tug-saved.scn");
  // Saving again goes to the same name (the user is asked before it is replaced).
  EXPECT_EQ(sim::DefaultSavePath("scenarios/tug-saved.scn"), "tug-saved.scn");
  EXPECT_EQ(sim::DefaultSavePath("dir.scn/x"), "x-saved.scn");
  EXPECT_EQ(sim::DefaultReplayPath("scenarios/tug.scn"), "tug-replay.html");
  EXPECT_EQ(sim::DefaultReplayPath("TUG.SCN"), "TUG-replay.html");
  EXPECT_EQ(sim::DefaultReplayPath("dir.scn/x"), "x-replay.html");

  using Kind = sim::SaveChoice::Kind;
  const std::string def = "tug-saved.scn";
  for (const char *yes : {"", "  ", "\r", "y", "Yes"}) {
    const sim::SaveChoice c = sim::ReadSaveAnswer(yes, def, ".scn");
    EXPECT_EQ(c.kind, Kind::Default) << yes;
    EXPECT_EQ(c.path, def) << yes;
  }
  for (const char *no : {"n", "N", " no ", "NO\r"}) EXPECT_EQ(sim::ReadSaveAnswer(no, def, ".scn").kind, Kind::Decline);
  const sim::SaveChoice other = sim::ReadSaveAnswer("  runs/after tug.SCN \r", def, ".scn");
  EXPECT_EQ(other.kind, Kind::Path);
  EXPECT_EQ(other.path, "runs/after tug.SCN");
  // A folder takes the default's name.
  const sim::SaveChoice folder = sim::ReadSaveAnswer("out/", def, ".scn");
  EXPECT_EQ(folder.kind, Kind::Path);
  EXPECT_EQ(folder.path, "out/tug-saved.scn");
  EXPECT_EQ(sim::InFolder("out", "tug-replay.html"), "out/tug-replay.html");
  // A slip of the finger saves nothing: a file called "nn" is no scenario.
  for (const char *unclear : {"nn", "yy", "nope", "out", ".scn", "out/.scn", "tug.html"}) {
    const sim::SaveChoice c = sim::ReadSaveAnswer(unclear, def, ".scn");
    EXPECT_EQ(c.kind, Kind::Unclear) << unclear;
    EXPECT_EQ(c.path, unclear);
  }
  EXPECT_EQ(sim::ReadSaveAnswer("page.html", "tug-replay.html", ".html").kind, Kind::Path);
}

}  // namespace
