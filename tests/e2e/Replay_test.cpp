// kestrane-sim run --replay: the page it writes and the arguments it refuses.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Support.h"

namespace {

using namespace e2e;

std::string Scenario(const char *name) { return std::string(KESTRANE_SCENARIOS) + "/" + name; }

}  // namespace

TEST(ReplayTest, WritesOnePageWithTheRunInIt) {
  std::remove("replay_tug.html");
  Result r =
      Sim("run " + Scenario("tug.scn") + " --duration 5 --keys 0:MINUS,0.02:A,0.04:J --replay replay_tug.html --quiet",
          "replay_tug");
  if (r.status == 2 && r.err.find("without the replay page") != std::string::npos)
    GTEST_SKIP() << "this build has no replay page: " << r.err;
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string page = FileText("replay_tug.html");
  const std::string slotStart = "<script id=\"replay-data\" type=\"application/octet-stream\">";
  const size_t data = page.find(slotStart);
  ASSERT_NE(data, std::string::npos);
  EXPECT_EQ(page.find("{{replay-data}}"), std::string::npos);
  // Base64 of a zlib stream (0x78 first): "eN", "eJ" or "eF" for the usual compression levels.
  EXPECT_EQ(page.compare(data + slotStart.size(), 1, "e"), 0);
  // No address to fetch anything from: the only one is the name of the XHTML namespace.
  const std::string xhtml = "http://www.w3.org/1999/xhtml\"";
  for (size_t at = page.find("http"); at != std::string::npos; at = page.find("http", at + 1)) {
    if (page.compare(at, 7, "http://") == 0 || page.compare(at, 8, "https://") == 0) {
      EXPECT_EQ(page.compare(at, xhtml.size(), xhtml), 0) << page.substr(at, 60);
    }
  }
}

TEST(ReplayTest, RefusesBadArgumentsBeforeRunning) {
  Result r = Sim("run " + Scenario("tug.scn") + " --replay x.html --replay-every 0", "replay_zero");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--replay-every needs a positive number"), std::string::npos) << r.err;

  r = Sim("run " + Scenario("tug.scn") + " --replay-every 1", "replay_alone");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--replay-every needs --replay"), std::string::npos) << r.err;

  r = Sim("run " + Scenario("tug.scn") + " --duration 1 --replay no_such_folder/x.html", "replay_folder");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no_such_folder/x.html"), std::string::npos) << r.err;
}
