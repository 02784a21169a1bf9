// kestrane-sim hosting the module as either generation of the host does, and calling either or both
// per-frame callbacks: the module steps once per frame every way, so every run writes the same.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Support.h"

namespace {

using namespace e2e;

struct Outputs {
  std::string tethers, vessels, screen, saved;
};

Outputs RunTug(const std::string &hostOptions, const std::string &name) {
  const std::string scenario = std::string(KESTRANE_SCENARIOS) + "/tug.scn";
  Result r = Sim("run " + scenario + " --duration 12 --every 0.5 --keys 0:MINUS,0.02:A,0.04:J,2:I,4:I,6:O --quiet " +
                     hostOptions + " --tethers " + name + "_t.csv --vessels " + name + "_v.csv --screen " + name +
                     ".txt --save " + name + ".scn",
                 name);
  EXPECT_EQ(r.status, 0) << hostOptions << ": " << r.err;
  return {FileText(name + "_t.csv"), FileText(name + "_v.csv"), FileText(name + ".txt"), FileText(name + ".scn")};
}

TEST(HostsTest, EitherGenerationAndEveryChoiceOfStepCallbacksWriteTheSame) {
  const Outputs classic = RunTug("", "classic");
  ASSERT_NE(classic.tethers.find(",1,Tug,Pod,"), std::string::npos) << "the keys tie the tug to the pod";
  const std::vector<std::string> others = {"--host modern", "--host classic --step-callbacks prestep",
                                           "--step-callbacks both", "--host modern --step-callbacks timestep",
                                           "--host modern --step-callbacks both"};
  for (size_t i = 0; i < others.size(); ++i) {
    const Outputs other = RunTug(others[i], "hosts" + std::to_string(i));
    EXPECT_EQ(other.tethers, classic.tethers) << others[i];
    EXPECT_EQ(other.vessels, classic.vessels) << others[i];
    EXPECT_EQ(other.screen, classic.screen) << others[i];
    EXPECT_EQ(other.saved, classic.saved) << others[i];
  }
}

TEST(HostsTest, UnknownHostOrStepCallbacksAreBadArguments) {
  const std::string scenario = std::string(KESTRANE_SCENARIOS) + "/tug.scn";
  // The one line ends as the platform ends lines.
  auto firstLine = [](const std::string &text) { return text.substr(0, text.find_first_of("\r\n")); };
  Result host = Sim("run " + scenario + " --host future", "badhost");
  EXPECT_EQ(host.status, 2);
  EXPECT_EQ(firstLine(host.err),
            "kestrane-sim: --host needs classic or modern, not 'future' (see kestrane-sim run --help)");
  Result steps = Sim("run " + scenario + " --step-callbacks poststep", "badsteps");
  EXPECT_EQ(steps.status, 2);
  EXPECT_EQ(
      firstLine(steps.err),
      "kestrane-sim: --step-callbacks needs timestep, prestep or both, not 'poststep' (see kestrane-sim run --help)");
}

}  // namespace
