#include "Textures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

namespace {

uint32_t Word(const std::vector<uint8_t> &bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

uint8_t Alpha(const textures::Texture &t, int x, int y) {
  return t.pixels[static_cast<size_t>(y) * textures::kWidth + x].a;
}

// The row of the strand's most opaque pixel in a column.
int StrandRow(const textures::Texture &t, int x) {
  int best = 0;
  for (int y = 1; y < textures::kHeight; ++y) {
    if (Alpha(t, x, y) > Alpha(t, x, best)) best = y;
  }
  return best;
}

uint8_t MostOpaque(const textures::Texture &t) {
  uint8_t most = 0;
  for (const textures::Rgba &p : t.pixels) most = std::max(most, p.a);
  return most;
}

TEST(Textures, TheDdsHeaderDescribesUncompressedArgbOfTheTexturesSize) {
  const std::vector<textures::Texture> all = textures::MakeAll();
  const std::vector<uint8_t> dds = textures::EncodeDds(all[0]);
  ASSERT_EQ(dds.size(), 128u + 64u * 16u * 4u);
  EXPECT_EQ(std::string(dds.begin(), dds.begin() + 4), "DDS ");
  EXPECT_EQ(Word(dds, 4), 124u);                       // header size
  EXPECT_EQ(Word(dds, 8), 0x100Fu);                    // caps, height, width, pitch, pixel format
  EXPECT_EQ(Word(dds, 12), 16u);                       // height
  EXPECT_EQ(Word(dds, 16), 64u);                       // width
  EXPECT_EQ(Word(dds, 20), 256u);                      // bytes per row
  EXPECT_EQ(Word(dds, 28), 0u);                        // no mipmaps
  EXPECT_EQ(Word(dds, 76), 32u);                       // pixel format size
  EXPECT_EQ(Word(dds, 80), 0x41u);                     // RGB with alpha
  EXPECT_EQ(Word(dds, 84), 0u);                        // no compression code
  EXPECT_EQ(Word(dds, 88), 32u);                       // bits per pixel
  EXPECT_EQ(Word(dds, 92), 0x00FF0000u);
  EXPECT_EQ(Word(dds, 96), 0x0000FF00u);
  EXPECT_EQ(Word(dds, 100), 0x000000FFu);
  EXPECT_EQ(Word(dds, 104), 0xFF000000u);
  EXPECT_EQ(Word(dds, 108), 0x1000u);                  // a texture

  // The middle of the taut line, row 8, column 0: stored blue, green, red, alpha.
  const textures::Rgba p = all[0].pixels[8 * 64];
  const size_t at = 128 + 8 * 256;
  EXPECT_EQ(dds[at], p.b);
  EXPECT_EQ(dds[at + 1], p.g);
  EXPECT_EQ(dds[at + 2], p.r);
  EXPECT_EQ(dds[at + 3], p.a);
}

TEST(Textures, TautIsAStraightBrightLineAndTheSlackOnesLoopAndFade) {
  const std::vector<textures::Texture> all = textures::MakeAll();
  ASSERT_EQ(all.size(), 3u);
  const textures::Texture &taut = all[0], &very = all[1], &slack = all[2];
  EXPECT_EQ(taut.name, "TetherTaut");
  EXPECT_EQ(very.name, "Tether2");
  EXPECT_EQ(slack.name, "Tether3");

  for (int x = 0; x < textures::kWidth; ++x) {
    EXPECT_EQ(Alpha(taut, x, 7), 255) << x;
    EXPECT_EQ(Alpha(taut, x, 8), 255) << x;
    EXPECT_EQ(Alpha(taut, x, 0), 0) << x;
    EXPECT_EQ(Alpha(taut, x, textures::kHeight - 1), 0) << x;
    // Every column of the slack ones carries the rope.
    EXPECT_GT(Alpha(slack, x, StrandRow(slack, x)), 0) << x;
    EXPECT_GT(Alpha(very, x, StrandRow(very, x)), 0) << x;
  }
  // The slack rope swings across the stream; the very slack one loops twice as often.
  EXPECT_GT(std::abs(StrandRow(slack, 16) - StrandRow(slack, 48)), 4);
  EXPECT_GT(std::abs(StrandRow(very, 8) - StrandRow(very, 24)), 4);
  EXPECT_GT(std::abs(StrandRow(very, 40) - StrandRow(very, 56)), 4);
  EXPECT_EQ(StrandRow(very, 8), StrandRow(very, 40)) << "the very slack rope's two loops are alike";
  // Fainter the slacker.
  EXPECT_GT(MostOpaque(taut), MostOpaque(slack));
  EXPECT_GT(MostOpaque(slack), MostOpaque(very));
}

TEST(Textures, WritingIntoAMissingFolderFailsWithItsPath) {
  std::string error;
  EXPECT_FALSE(textures::WriteAll("no-such-folder", error));
  EXPECT_NE(error.find("no-such-folder/TetherTaut.dds"), std::string::npos) << error;
}

}  // namespace
