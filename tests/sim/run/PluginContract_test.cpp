// What the host knows of the plug-in, against the built module: its file and mode, the words and
// order of its block, and the forces its links tell.
#include "sim/run/PluginContract.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sim/run/TetherBlock.h"

#ifndef _WIN32
#include "sim/run/Simulation.h"
#endif

namespace {

namespace plugin = sim::plugin;

TEST(PluginContractTest, PlainKeysAreTheOnesTheModuleWritesAndNoOthers) {
  const std::string_view fields[] = {plugin::connectField, plugin::ship1Field,     plugin::ship2Field,
                                     plugin::lengthField,  plugin::forceField,     plugin::attach1Field,
                                     plugin::attach2Field, plugin::spoolModeField, plugin::reelSpeedField};
  for (int link = 0; link < plugin::linkCount; ++link)
    for (const std::string_view field : fields) {
      const std::string key = plugin::LinkKey(link, field);
      std::string_view read;
      EXPECT_EQ(sim::PlainLinkKey(key, read), link) << key;
      EXPECT_EQ(read, field);
    }
  EXPECT_EQ(plugin::LinkKey(3, plugin::lengthField), "TetherData 3 Length");

  // A link beyond the last, two blanks, a tab, a field of two words, no blank after the word, a
  // field missing, another word.
  for (const char *key : {"TetherData 8 Length", "TetherData 12 Length", "TetherData  3 Length", "TetherData\t3 Length",
                          "TetherData 3 Len gth", "TetherData3 Length", "TetherData 3 ", "TetherDatum 3 Length"}) {
    std::string_view read;
    EXPECT_FALSE(sim::PlainLinkKey(key, read)) << key;
  }
}

#ifndef _WIN32

std::vector<std::string> ItemsOfTheBlock(sim::Simulation &simulation) {
  sim::ScenarioStream stream;
  stream.KeepEntries();
  simulation.Displays().WriteStatus(*simulation.FirstDisplay(), stream.Handle());
  std::vector<std::string> items;
  for (size_t i = 0; i < stream.EntryCount(); ++i) items.push_back(stream.Entries()[i].item);
  return items;
}

// The setup keys in order, then for each link its CONNECT key and, for a connected one, the other
// fields in order: eight links tied (pairs.scn) and one of eight (trio.scn).
TEST(PluginContractTest, TheModuleWritesItsBlockInTheContractsWordsAndOrder) {
  EXPECT_EQ(std::filesystem::path(KESTRANE_MODULE).filename().string(), plugin::moduleFile);
  for (const char *name : {"pairs.scn", "trio.scn"}) {
    sim::Simulation simulation({std::string(KESTRANE_TEST_SCENARIOS) + "/" + name, KESTRANE_MODULE, {}});
    ASSERT_NE(simulation.Displays().FindMode(plugin::modeName), nullptr);
    ASSERT_EQ(simulation.FirstDisplay()->GetMode().Name(), plugin::modeName);
    simulation.Frame();

    std::vector<std::string> expected(std::begin(plugin::setupKeys), std::end(plugin::setupKeys));
    for (const sim::TetherSample &t : simulation.Tethers()) {
      expected.push_back(plugin::LinkKey(t.link, plugin::connectField));
      if (t.connected == 0) continue;
      for (const std::string_view field :
           {plugin::ship1Field, plugin::ship2Field, plugin::lengthField, plugin::forceField, plugin::attach1Field,
            plugin::attach2Field, plugin::spoolModeField, plugin::reelSpeedField})
        expected.push_back(plugin::LinkKey(t.link, field));
    }
    EXPECT_EQ(simulation.Tethers().size(), static_cast<size_t>(plugin::linkCount)) << name;
    EXPECT_EQ(ItemsOfTheBlock(simulation), expected) << name;
  }
}

// pairs.scn: eight links between sixteen vessels, all pulling. Each link's pull is twice the
// force the module added to that link's vessel 1 in the frame, which the module tells by link;
// vessel 2 gets the same force, opposite in the global frame. The links hold, reel in or
// free-spool, so that a pull told for another link shows.
TEST(PluginContractTest, EachLinksPullIsTheForceItAddedToItsVessels) {
  sim::Simulation simulation({std::string(KESTRANE_TEST_SCENARIOS) + "/pairs.scn", KESTRANE_MODULE, {}});
  for (int i = 0; i < 5; ++i) simulation.Frame();
  const std::vector<sim::World::AppliedForce> &applied = simulation.GetWorld().PluginForces();
  const auto addedTo = [&](const std::string &name) {
    for (const sim::World::AppliedForce &f : applied)
      if (f.vessel->Name() == name) return f;
    ADD_FAILURE() << "no force on " << name;
    return sim::World::AppliedForce{};
  };
  for (const sim::TetherSample &t : simulation.Tethers()) {
    ASSERT_EQ(t.connected, 1) << t.link;
    const sim::World::AppliedForce f1 = addedTo(t.ship1), f2 = addedTo(t.ship2);
    ASSERT_TRUE(f1.vessel != nullptr && f2.vessel != nullptr);
    EXPECT_GT(t.pull, 0) << t.link;
    EXPECT_EQ(t.pull, 2 * sim::Length(f1.force)) << t.link;
    EXPECT_EQ(simulation.LinkPull(t.link), t.pull) << t.link;
    const sim::Vec3 sum = f1.vessel->rot * f1.force + f2.vessel->rot * f2.force;
    EXPECT_LT(sim::Length(sum), 1e-9 * sim::Length(f1.force)) << t.link;
  }
}

#endif

}  // namespace
