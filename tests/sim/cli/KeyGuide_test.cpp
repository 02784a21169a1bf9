// The texts that teach the keys agree with the keys themselves and fit where they are shown.
#include "sim/cli/KeyGuide.h"

#include <gtest/gtest.h>

#include <set>

#include "sim/cli/KeyNames.h"
#include "sim/play/TypedKeys.h"

namespace {

TEST(KeyGuideTest, EachDisplayKeyIsTypedWithItsCharacterAndNamedAsKeysTakesIt) {
  const auto &keys = sim::DisplayKeys();
  ASSERT_EQ(keys.size(), 25u);
  std::set<DWORD> codes;
  for (const sim::DisplayKeyHelp &key : keys) {
    const std::optional<DWORD> named = sim::KeyCode(key.name);
    ASSERT_TRUE(named) << key.name;
    EXPECT_EQ(sim::ScanCodeForCharacter(key.typed), named) << key.name;
    EXPECT_EQ(sim::KeyName(*named), key.name);
    codes.insert(*named);
  }
  EXPECT_EQ(codes.size(), keys.size());
}

TEST(KeyGuideTest, LegendNamesEveryKeyThatDoesSomethingInItsWidth) {
  std::string legend;
  for (const std::string &line : sim::KeyLegend()) {
    EXPECT_LE(line.size(), static_cast<size_t>(sim::legendWidth)) << line;
    legend += line + "\n";
  }
  // A key's character stands at the start of a line or after a blank, followed by a blank.
  for (const sim::DisplayKeyHelp &key : sim::DisplayKeys()) {
    if (key.typed == '/') continue;  // it does nothing
    const std::string alone = std::string(1, key.typed) + " ";
    const bool named = legend.find("\n" + alone) != std::string::npos || legend.rfind(alone, 0) == 0 ||
                       legend.find(" " + alone) != std::string::npos;
    EXPECT_TRUE(named) << key.name;
  }
  // The keys of a first tether come first, so that a legend cut short keeps them.
  for (const char *first : {"- =", "a ", "j "}) {
    size_t row = 0;
    while (row < sim::KeyLegend().size() && sim::KeyLegend()[row].rfind(first, 0) != 0) ++row;
    EXPECT_LE(row, 3u) << first;
  }
}

TEST(KeyGuideTest, PageOfEveryKeyFitsTheSmallestTerminalAndAddsTheDescriptionWhereThereIsRoom) {
  // 80 × 24 leaves 22 rows above the status line.
  const std::vector<std::string> page = sim::KeysPage(80, 22, {"About tug.scn", "Reel in the pod."});
  ASSERT_LE(page.size(), 22u);
  std::string text;
  for (const std::string &line : page) {
    EXPECT_LE(line.size(), 80u) << line;
    text += line + "\n";
  }
  for (const sim::DisplayKeyHelp &key : sim::DisplayKeys())
    EXPECT_NE(text.find(std::string("  ") + key.typed + "   " + key.command), std::string::npos) << key.name;
  for (const sim::PlayKeyHelp &key : sim::PlayKeys()) EXPECT_NE(text.find(key.does), std::string::npos) << key.keys;
  EXPECT_EQ(page[0], "Every key (any key returns)");
  EXPECT_NE(text.find("Reel in the pod."), std::string::npos);

  // Narrow: one column, cut to the rows there are; a description that does not fit is left out.
  const std::vector<std::string> narrow = sim::KeysPage(60, 30, {"About tug.scn", "Reel in the pod."});
  EXPECT_EQ(narrow.size(), 30u);
  for (const std::string &line : narrow) EXPECT_LE(line.size(), 60u);
  EXPECT_EQ(narrow[2], "Simulator keys");
  EXPECT_EQ(sim::KeysPage(80, 0, {}).size(), 0u);
}

}  // namespace
