// The host's side of a plug-in module's own scenario block: the module is named after its file,
// handed its block at load and asked for it at save.
#include "sim/run/ModuleLoader.h"

#include <gtest/gtest.h>

#ifndef _WIN32

#include <string>
#include <vector>

namespace {

TEST(ModuleStateTest, AModuleIsNamedAfterItsFileAsItsWindowsBuildIs) {
  EXPECT_EQ(sim::ModuleName("build/linux/kestrane.so"), "Kestrane");
  EXPECT_EQ(sim::ModuleName("C:\\Orbiter\\Modules\\Plugin\\Kestrane.dll"), "Kestrane");
  EXPECT_EQ(sim::ModuleName("Modules/Plugin/ExtMFD.dll"), "ExtMFD");
  EXPECT_EQ(sim::ModuleName("statekeeper.so"), "Statekeeper");
  // A name with capitals of its own keeps them; a Windows name is the host's as it stands.
  EXPECT_EQ(sim::ModuleName("lib/OrbiterSound.so"), "OrbiterSound");
  EXPECT_EQ(sim::ModuleName("kestrane.dll"), "kestrane");
}

// The module reads its block from the line after BEGIN_<name> (the name without regard to case) to
// the END, as the host's reader hands it over: trimmed, without comments and blank lines, its own
// "… END" lines among its lines. What it writes at save replaces the block in its place, named as
// the host names the module; a block it writes as it read it stays as written; a file without a block
// gets one after the ships. Other modules' blocks stay as they are.
TEST(ModuleStateTest, TheModuleReadsItsBlockToItsEndAndWritesItBackInPlace) {
  std::string error;
  auto module =
      sim::PluginModule::Load(KESTRANE_STATE_MODULE, sim::HostGeneration::Modern, sim::StepCallbacks::Host, error);
  ASSERT_NE(module, nullptr) << error;
  ASSERT_EQ(module->Name(), "Statekeeper");

  const std::string ships = "BEGIN_SHIPS\nPod\n  MASS 5\nEND\nEND_SHIPS\n";
  sim::Scenario bare = sim::ParseScenario(ships, "bare.scn");
  EXPECT_FALSE(module->LoadState(bare));
  module->SaveState(bare);
  const std::string saved = sim::FormatScenario(bare);
  EXPECT_EQ(saved, ships + "\nBEGIN_Statekeeper\n  Loads 0\nEND\n");
  // Saved again unchanged: the block as it was read, its comment kept.
  const std::string commented = ships + "\nBEGIN_Statekeeper\n  Loads 0   ; none yet\nEND\n";
  sim::Scenario again = sim::ParseScenario(commented, "again.scn");
  module->SaveState(again);
  EXPECT_EQ(sim::FormatScenario(again), commented);

  const std::string text =
      "BEGIN_ExtMFD\nEND\n\nBEGIN_statekeeper\n  Alpha 1   ; a comment\n\n  Nested END\n"
      "  END_MFD\nend\n\n" +
      ships;
  sim::Scenario loaded = sim::ParseScenario(text, "loaded.scn");
  EXPECT_TRUE(module->LoadState(loaded));
  module->SaveState(loaded);
  EXPECT_EQ(sim::FormatScenario(loaded),
            "BEGIN_ExtMFD\nEND\n\nBEGIN_Statekeeper\n  Loads 1\n  Kept Alpha 1\n"
            "  Kept Nested END\n  Kept END_MFD\nEND\n\n" +
                ships);
}

}  // namespace

#endif
