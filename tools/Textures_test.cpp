#include "Textures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

uint32_t Word(const std::vector<uint8_t> &bytes, size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

uint8_t Alpha(const textures::Texture &t, int x, int y) {
  return t.pixels[static_cast<size_t>(y) * textures::kWidth + x].a;
}

// The column of the strand's most opaque pixel in a row (a place along the stream).
int StrandColumn(const textures::Texture &t, int y) {
  int best = 0;
  for (int x = 1; x < textures::kWidth; ++x) {
    if (Alpha(t, x, y) > Alpha(t, best, y)) best = x;
  }
  return best;
}

uint8_t MostOpaque(const textures::Texture &t) {
  uint8_t most = 0;
  for (const textures::Rgba &p : t.pixels) most = std::max(most, p.a);
  return most;
}

// The columns the host draws across a stream (1 % to 24 % of the width) and the middle one.
const int kFirstColumn = 1, kLastColumn = 30, kMiddleColumn = 15;

TEST(Textures, TheDdsHeaderDescribesUncompressedArgbOfTheTexturesSize) {
  const std::vector<textures::Texture> all = textures::MakeAll();
  const std::vector<uint8_t> dds = textures::EncodeDds(all[0]);
  ASSERT_EQ(dds.size(), 128u + 128u * 64u * 4u);
  EXPECT_EQ(std::string(dds.begin(), dds.begin() + 4), "DDS ");
  EXPECT_EQ(Word(dds, 4), 124u);     // header size
  EXPECT_EQ(Word(dds, 8), 0x100Fu);  // caps, height, width, pitch, pixel format
  EXPECT_EQ(Word(dds, 12), 64u);     // height
  EXPECT_EQ(Word(dds, 16), 128u);    // width
  EXPECT_EQ(Word(dds, 20), 512u);    // bytes per row
  EXPECT_EQ(Word(dds, 28), 0u);      // no mipmaps
  EXPECT_EQ(Word(dds, 76), 32u);     // pixel format size
  EXPECT_EQ(Word(dds, 80), 0x41u);   // RGB with alpha
  EXPECT_EQ(Word(dds, 84), 0u);      // no compression code
  EXPECT_EQ(Word(dds, 88), 32u);     // bits per pixel
  EXPECT_EQ(Word(dds, 92), 0x00FF0000u);
  EXPECT_EQ(Word(dds, 96), 0x0000FF00u);
  EXPECT_EQ(Word(dds, 100), 0x000000FFu);
  EXPECT_EQ(Word(dds, 104), 0xFF000000u);
  EXPECT_EQ(Word(dds, 108), 0x1000u);  // a texture

  // The taut line's middle in row 8: stored blue, green, red, alpha.
  const textures::Rgba p = all[0].pixels[8 * 128 + kMiddleColumn];
  EXPECT_EQ(p.a, 255);
  const size_t at = 128 + 8 * 512 + kMiddleColumn * 4;
  EXPECT_EQ(dds[at], p.b);
  EXPECT_EQ(dds[at + 1], p.g);
  EXPECT_EQ(dds[at + 2], p.r);
  EXPECT_EQ(dds[at + 3], p.a);
}

// The host draws a stream with the texture's rows along it and its columns 1 % to 24 % across it,
// and the quarter right of the middle and above the middle row as a glow around the stream's
// start, seven widths across: every strand runs the whole length inside those columns, and nothing
// outside them shows.
TEST(Textures, TautIsAStraightBrightLineAndTheSlackOnesLoopAndFadeAllAlongTheStream) {
  const std::vector<textures::Texture> all = textures::MakeAll();
  ASSERT_EQ(all.size(), 3u);
  const textures::Texture &taut = all[0], &very = all[1], &slack = all[2];
  EXPECT_EQ(taut.name, "TetherTaut");
  EXPECT_EQ(very.name, "Tether2");
  EXPECT_EQ(slack.name, "Tether3");

  for (const textures::Texture &t : all) {
    for (int y = 0; y < textures::kHeight; ++y) {
      EXPECT_GT(Alpha(t, StrandColumn(t, y), y), 0) << t.name << " row " << y;
      for (int x = 0; x < textures::kWidth; ++x) {
        if (x < kFirstColumn || x > kLastColumn) {
          ASSERT_EQ(Alpha(t, x, y), 0) << t.name << " " << x << "," << y;
        }
      }
    }
    // The strand's end meets its start, where the host's filter wraps, as its rows meet each other.
    int step = 0;
    for (int y = 1; y < textures::kHeight; ++y)
      step = std::max(step, std::abs(StrandColumn(t, y) - StrandColumn(t, y - 1)));
    EXPECT_LE(std::abs(StrandColumn(t, 0) - StrandColumn(t, textures::kHeight - 1)), step) << t.name;
  }
  for (int y = 0; y < textures::kHeight; ++y) {
    EXPECT_EQ(Alpha(taut, kMiddleColumn, y), 255) << y;
    EXPECT_EQ(Alpha(taut, kFirstColumn, y), 0) << y;
    EXPECT_EQ(Alpha(taut, kLastColumn, y), 0) << y;
  }
  // The slack rope swings across the stream; the very slack one loops twice as often.
  EXPECT_GT(std::abs(StrandColumn(slack, 16) - StrandColumn(slack, 48)), 12);
  EXPECT_GT(std::abs(StrandColumn(very, 8) - StrandColumn(very, 24)), 12);
  EXPECT_GT(std::abs(StrandColumn(very, 40) - StrandColumn(very, 56)), 12);
  EXPECT_EQ(StrandColumn(very, 8), StrandColumn(very, 40)) << "the very slack rope's two loops are alike";
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
