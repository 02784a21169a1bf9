#include "sim/world/VesselIndex.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "sim/world/Vessel.h"

namespace {

using sim::Vessel;
using sim::VesselIndex;

TEST(VesselIndexTest, NamesMatchWithoutRegardToLetterCase) {
  EXPECT_TRUE(VesselIndex::SameName("Tug-7", "tUG-7"));
  EXPECT_FALSE(VesselIndex::SameName("Tug", "Tug "));
  // Names of every length class differ in any one character, the middle one too.
  EXPECT_FALSE(VesselIndex::SameName("Tug", "Tuh"));
  EXPECT_FALSE(VesselIndex::SameName("Tug", "Tig"));
  EXPECT_FALSE(VesselIndex::SameName("Probe", "Prove"));
  EXPECT_FALSE(VesselIndex::SameName("Tug-Seven", "Tug-Sevem"));
  // Only the letters A to Z fold: other characters match only themselves.
  EXPECT_FALSE(VesselIndex::SameName("[", "{"));
  EXPECT_FALSE(VesselIndex::SameName("@", "`"));
  EXPECT_TRUE(VesselIndex::SameName("A Long Vessel Name-Z", "a long vessel name-z"));
  EXPECT_FALSE(VesselIndex::SameName("A Long Vessel Name-Z", "a long vessel name-y"));
  EXPECT_FALSE(VesselIndex::SameName("\xC4", "\xE4"));
}

// Random inserts, erases and moves checked against an ordered map after every change: erasing
// from the middle of a probe run must leave every other vessel findable, by name and by handle.
TEST(VesselIndexTest, AgreesWithAReferenceMapThroughInsertsAndErases) {
  std::vector<std::unique_ptr<Vessel>> pool;
  for (int i = 0; i < 600; ++i) pool.push_back(std::make_unique<Vessel>("S" + std::to_string(i) + std::string(i % 9, 'x'), "Generic"));
  VesselIndex index;
  std::map<Vessel *, size_t> reference;
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    Vessel *v = pool[random() % pool.size()].get();
    const auto found = reference.find(v);
    if (found == reference.end()) {
      const size_t position = random() % 1000;
      index.Insert(v, v->Name(), position);
      reference[v] = position;
    } else if (random() % 3 == 0) {
      index.SetPosition(v, round);
      found->second = static_cast<size_t>(round);
    } else {
      index.Erase(v, v->Name());
      reference.erase(found);
    }
    if (round % 97 != 0) continue;
    ASSERT_EQ(index.Count(), reference.size());
    for (const auto &owned : pool) {
      Vessel *w = owned.get();
      const auto expected = reference.find(w);
      const bool present = expected != reference.end();
      std::string upper = w->Name();
      for (char &c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      ASSERT_EQ(index.FindByName(upper), present ? w : nullptr) << w->Name();
      ASSERT_EQ(index.PositionOf(w, 9999), present ? expected->second : 9999u) << w->Name();
    }
  }
  EXPECT_EQ(index.FindByName("S"), nullptr);
  EXPECT_EQ(index.PositionOf(nullptr, 5), 5u);
}

}  // namespace
