// The sweep's command line, its combinations and how shards divide them.
#include "sim/cli/Sweep.h"

#include <gtest/gtest.h>

#include "sim/cli/Cli.h"

namespace {

std::optional<sim::SweepArguments> Parse(std::vector<std::string> args, std::string &error) {
  args.insert(args.begin(), "sweep");
  return sim::ParseSweepArguments(args, error);
}

TEST(SweepTest, CombinationsRunThroughTheListsWithTheLastFastest) {
  auto all = sim::Combinations({{"setup_force", {"1", "2"}}, {"link0_length", {"10", "20", "30"}}}, 100);
  ASSERT_TRUE(all);
  std::vector<std::string> seen;
  for (const auto &settings : *all) {
    ASSERT_EQ(settings.size(), 2u);
    EXPECT_EQ(settings[0].name, "setup_force");
    EXPECT_EQ(settings[1].name, "link0_length");
    seen.push_back(settings[0].value + "/" + settings[1].value);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1/10", "1/20", "1/30", "2/10", "2/20", "2/30"}));
  EXPECT_FALSE(sim::Combinations({{"setup_force", {"1", "2", "3"}}, {"setup_length", {"1", "2"}}}, 5));
}

TEST(SweepTest, ShardsAreConsecutiveNearlyEqualPartsThatCoverEveryCombinationOnce) {
  for (size_t count : {0, 1, 5, 7, 16, 1000, 1001}) {
    for (size_t shards : {1, 2, 3, 7, 8, 2000}) {
      size_t expectedFirst = 0;
      for (size_t k = 1; k <= shards; ++k) {
        const auto [first, last] = sim::ShardRange(count, k, shards);
        EXPECT_EQ(first, expectedFirst) << count << " in " << shards;
        EXPECT_LE(first, last);
        EXPECT_LE(last - first, count / shards + 1);
        EXPECT_GE(last - first, count / shards);
        expectedFirst = last;
      }
      EXPECT_EQ(expectedFirst, count) << count << " in " << shards;
    }
  }
  // Large sweeps in many shards do not overflow.
  EXPECT_EQ(sim::ShardRange(10000000, 999999, 1000000).second, 9999990u);
}

TEST(SweepTest, CommandLineTakesListsAndPassesRunOptionsToEveryRun) {
  std::string error;
  auto sweep = Parse({"tug.scn", "--vary", "setup_force=1e3,2000", "--vary", "link3_reel_speed=-0.5", "--jobs", "3",
                      "--shard", "2/5", "--keys", "0:J", "--duration", "60", "--summary", "out.csv", "--quiet"},
                     error);
  ASSERT_TRUE(sweep) << error;
  EXPECT_EQ(sweep->scenario, "tug.scn");
  ASSERT_EQ(sweep->lists.size(), 2u);
  EXPECT_EQ(sweep->lists[0].values, (std::vector<std::string>{"1000", "2000"}));
  EXPECT_EQ(sweep->lists[1].values, std::vector<std::string>{"-0.5"});
  EXPECT_EQ(sweep->runOptions, (std::vector<std::string>{"--keys", "0:J", "--duration", "60"}));
  EXPECT_EQ(sweep->jobs, 3u);
  EXPECT_EQ(sweep->shard, 2u);
  EXPECT_EQ(sweep->shards, 5u);
  EXPECT_EQ(sweep->summary, "out.csv");
  EXPECT_TRUE(sweep->quiet);
  // The summarised link is the first varied link's unless one is named.
  EXPECT_EQ(sweep->link, 3);
  EXPECT_EQ(Parse({"s.scn", "--vary", "link3_force=1", "--link", "1"}, error)->link, 1);
  EXPECT_EQ(Parse({"s.scn", "--vary", "setup_length=1"}, error)->link, 0);

  // One command line each, refused with a one-line reason.
  const std::vector<std::vector<std::string>> bad = {
      {"s.scn"},
      {"--vary", "setup_force=1"},
      {"s.scn", "--vary", "setup_force=1", "--vary", "setup_force=2"},
      {"s.scn", "--vary", "force=1"},
      {"s.scn", "--vary", "setup_force=1,,2"},
      {"s.scn", "--vary", "setup_force=1", "--jobs", "0"},
      {"s.scn", "--vary", "setup_force=1", "--jobs", "two"},
      {"s.scn", "--vary", "setup_force=1", "--shard", "0/3"},
      {"s.scn", "--vary", "setup_force=1", "--shard", "4/3"},
      {"s.scn", "--vary", "setup_force=1", "--shard", "3"},
      {"s.scn", "--vary", "setup_force=1", "--link", "8"},
      {"s.scn", "--vary", "setup_force=1", "--tethers", "t.csv"},
      {"s.scn", "--vary", "setup_force=1", "--keys", "0:NOKEY"},
      {"s.scn", "--vary", "setup_force=1", "--dt", "0"},
      {"s.scn", "--vary"},
  };
  for (const auto &args : bad) {
    error.clear();
    EXPECT_FALSE(Parse(args, error)) << args.back();
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(SweepTest, RunTakesSettingsAndTheSummaryItsRowsComeFrom) {
  std::string error;
  auto command = sim::ParseCommandLine(
      {"run", "pair.scn", "--set", "link0_force=2e2", "--set", "setup_length=50", "--summary", "-", "--link", "4"},
      error);
  ASSERT_TRUE(command) << error;
  ASSERT_EQ(command->run.settings.size(), 2u);
  EXPECT_EQ(command->run.settings[0].name, "link0_force");
  EXPECT_EQ(command->run.settings[0].value, "200");
  EXPECT_EQ(command->run.summary, "-");
  EXPECT_EQ(command->run.link, 4);
  EXPECT_FALSE(sim::ParseCommandLine({"run", "pair.scn", "--set", "link9_force=1"}, error));
  EXPECT_FALSE(sim::ParseCommandLine({"run", "pair.scn", "--link", "-1"}, error));
  EXPECT_FALSE(sim::ParseCommandLine({"play", "pair.scn", "--set", "setup_force=1"}, error));
}

}  // namespace
