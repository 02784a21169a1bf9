// What run checks before its first frame: the frames of its span and the places of its outputs.
#include "sim/cli/RunChecks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(RunChecksTest, WholeStepsRunAsTheyAlwaysHaveAndTheRestEndsWithAShorterStep) {
  std::string error;
  // 10 s of 0.02 s steps: 500 frames, whatever 10 / 0.02 rounds to.
  auto plan = sim::PlanFrames(0, 10, 0.02, "--duration", 10, error);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->frames, 500);
  EXPECT_FALSE(plan->shorterLast);
  plan = sim::PlanFrames(0.1, 0.3, 0.1, "--until", 0.3, error);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->frames, 2);
  EXPECT_FALSE(plan->shorterLast);

  // 10 s of 0.03 s steps: 333 whole ones and one of 0.01 s.
  plan = sim::PlanFrames(0, 10, 0.03, "--duration", 10, error);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->frames, 334);
  EXPECT_TRUE(plan->shorterLast);
  EXPECT_NEAR(sim::LastStep(333 * 0.03, 10, 0.03), 0.01, 1e-12);
  // A step longer than the span: one frame of the span.
  plan = sim::PlanFrames(0, 10, 1e9, "--duration", 10, error);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->frames, 1);
  EXPECT_TRUE(plan->shorterLast);
  EXPECT_EQ(sim::LastStep(0, 10, 1e9), 10);
  // Never more than a step, nor nothing.
  EXPECT_EQ(sim::LastStep(0, 10, 0.02), 0.02);
  EXPECT_EQ(sim::LastStep(10, 10, 0.02), 0.02);

  plan = sim::PlanFrames(5, 5, 0.02, "--duration", 0, error);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->frames, 0);
}

TEST(RunChecksTest, ASpanTheClockCannotCountInStepsIsRefusedWithTheValueGiven) {
  std::string error;
  EXPECT_FALSE(sim::PlanFrames(0, 1e18, 0.02, "--duration", 1e18, error));
  EXPECT_EQ(error, "--duration 1e+18 needs 5e+19 steps of 0.02 s: the clock counts no more than 2^52 (4.5e+15)");
  for (double end : {1e20, 1e300}) EXPECT_FALSE(sim::PlanFrames(0, end, 0.02, "--until", end, error)) << end;
  // A span that overflows the clock's own time.
  EXPECT_FALSE(sim::PlanFrames(1e308, 1e308 + 1e308, 0.02, "--duration", 1e308, error));
  // A clock far on cannot count a short run there either.
  EXPECT_FALSE(sim::PlanFrames(1e15, 1e15 + 10, 0.02, "--duration", 10, error));
  // The largest count is taken.
  EXPECT_TRUE(sim::PlanFrames(0, sim::maxRunSteps, 1, "--duration", sim::maxRunSteps, error));
}

class OutputsTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir + "/sub");
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  // A folder of each test's own: ctest runs the tests side by side.
  const std::string dir = std::string("run_checks_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(OutputsTest, EachOutputMustHaveAFolderThatTakesAFileAndNotBeAFolderItself) {
  std::string error;
  using Kind = sim::OutputKind;
  EXPECT_TRUE(sim::OutputWritable("--save", dir + "/sub/s.scn", Kind::Replaced, error)) << error;
  // The check leaves nothing behind.
  EXPECT_TRUE(std::filesystem::is_empty(dir + "/sub"));
  EXPECT_FALSE(sim::OutputWritable("--save", dir + "/none/s.scn", Kind::Replaced, error));
  EXPECT_EQ(error, "cannot write '" + dir + "/none/s.scn' (--save): no folder '" + dir + "/none'");
  EXPECT_FALSE(sim::OutputWritable("--png", dir + "/sub", Kind::InPlace, error));
  EXPECT_EQ(error, "cannot write '" + dir + "/sub' (--png): it is a folder");
  std::ofstream(dir + "/file") << "x";
  EXPECT_FALSE(sim::OutputWritable("--screen", dir + "/file/s.txt", Kind::InPlace, error));
  EXPECT_EQ(error, "cannot write '" + dir + "/file/s.txt' (--screen): '" + dir + "/file' is not a folder");
  // A file that is there is checked, not emptied; a probe of the same name is not touched.
  std::ofstream(dir + "/old.txt") << "kept";
  std::ofstream(dir + "/old.txt.probe0") << "mine";
  EXPECT_TRUE(sim::OutputWritable("--screen", dir + "/old.txt", Kind::InPlace, error)) << error;
  EXPECT_TRUE(sim::OutputWritable("--save", dir + "/old.txt", Kind::Replaced, error)) << error;
  std::ifstream old(dir + "/old.txt"), probe(dir + "/old.txt.probe0");
  std::string text;
  old >> text;
  EXPECT_EQ(text, "kept");
  probe >> text;
  EXPECT_EQ(text, "mine");
}

TEST_F(OutputsTest, EveryOutputOfARunIsCheckedAndNoTwoWriteOneFile) {
  sim::RunArguments args;
  std::string error;
  args.summary = "-";
  args.tethers = dir + "/t.csv";
  EXPECT_TRUE(sim::CheckOutputs(args, error)) << error;
  for (std::string sim::RunArguments::*output :
       {&sim::RunArguments::tethers, &sim::RunArguments::vessels, &sim::RunArguments::screen, &sim::RunArguments::png,
        &sim::RunArguments::save, &sim::RunArguments::checkpointFile, &sim::RunArguments::replay,
        &sim::RunArguments::summary}) {
    sim::RunArguments bad;
    bad.*output = dir + "/none/x";
    EXPECT_FALSE(sim::CheckOutputs(bad, error));
    EXPECT_NE(error.find("'" + dir + "/none/x'"), std::string::npos) << error;
  }

  args.vessels = "./" + dir + "/sub/../t.csv";
  EXPECT_FALSE(sim::CheckOutputs(args, error));
  EXPECT_EQ(error, "--tethers and --vessels both write './" + dir + "/sub/../t.csv'");
  // The checkpoints and the saved scenario hold the same state: one file may take both.
  sim::RunArguments both;
  both.save = both.checkpointFile = dir + "/end.scn";
  EXPECT_TRUE(sim::CheckOutputs(both, error)) << error;
}

}  // namespace
