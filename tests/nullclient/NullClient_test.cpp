// The real host's null graphics client, its host-free part: a display's text laid out as
// kestrane-sim lays out its screen, the client's settings, and the pictures it writes.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "realhost/client/ClientSettings.h"
#include "realhost/client/PngFile.h"
#include "realhost/client/ScreenText.h"
#include "sim/display/Canvas.h"

namespace {

using nullclient::ClientSettings;
using nullclient::ScreenRows;
using nullclient::TextRun;

// The runs of a screen drawn into kestrane-sim's canvas and laid out by the client must give the
// same rows: what the display draws, cells, overwriting, clipping at the edges and odd bytes.
TEST(ScreenTextTest, LaysOutRunsAsKestraneSimLaysOutItsScreen) {
  std::mt19937 random(7);
  const std::vector<std::string> texts = {"Kestrane",
                                          "Length   : ",
                                          "1500.0 m",
                                          "*0*",
                                          "-1-",
                                          "",
                                          std::string("\x01\x7f\xe9 odd", 7),
                                          "a much longer line than the screen is wide, cut"};
  for (int screen = 0; screen < 300; ++screen) {
    const int width = 40 + static_cast<int>(random() % 400), height = 40 + static_cast<int>(random() % 400);
    const int cw = 5 + static_cast<int>(random() % 12), ch = 8 + static_cast<int>(random() % 16);
    sim::Canvas canvas(width, height, cw, ch);
    std::vector<TextRun> runs;
    for (int n = static_cast<int>(random() % 30); n > 0; --n) {
      TextRun run;
      // Mostly on the grid, as the display places its text; sometimes between cells and off the edges.
      run.x = random() % 4 == 0 ? static_cast<int>(random() % (width + 40)) - 20
                                : cw / 2 + cw * static_cast<int>(random() % (width / cw + 2)) - cw;
      run.y = random() % 4 == 0 ? static_cast<int>(random() % (height + 40)) - 20
                                : ch * static_cast<int>(random() % (height / ch + 2));
      run.text = texts[random() % texts.size()];
      run.cellWidth = cw;
      run.cellHeight = ch;
      canvas.DrawRun(run.x, run.y, run.text.data(), static_cast<int>(run.text.size()));
      runs.push_back(run);
    }
    ASSERT_EQ(ScreenRows(runs, width, height), canvas.Rows()) << "screen " << screen;
  }
}

TEST(ScreenTextTest, AnEmptyScreenHasNoRowsAndTrailingBlankRowsAreDropped) {
  EXPECT_TRUE(ScreenRows({}, 400, 400).empty());
  const std::vector<TextRun> blank = {{5, 0, "   ", 10, 16}, {5, 32, "x", 10, 16}, {5, 64, "  ", 10, 16}};
  EXPECT_EQ(ScreenRows(blank, 400, 400), (std::vector<std::string>{"", "", "x"}));
}

// A display is drawn in one surface and copied to another: its text goes with the copy, moved as
// the copy moves it, and replaces what the target held where the copy lands.
TEST(ScreenTextTest, RunsFollowTheCopiesOfTheirSurface) {
  const std::vector<TextRun> drawn = {{5, 0, "Kestrane", 10, 16}, {300, 0, "outside", 10, 16}};
  std::vector<TextRun> shown = {{205, 40, "stale", 10, 16}, {5, 0, "kept", 10, 16}};
  nullclient::CopyRuns(drawn, nullclient::PixelArea{0, 0, 200, 100}, 200, 40, shown);
  EXPECT_EQ(ScreenRows(shown, 400, 400), (std::vector<std::string>{"kept", "", "                    Kestrane"}));
  nullclient::ForgetRuns(shown, nullclient::PixelArea{0, 0, 400, 20});
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, "Kestrane");
}

TEST(ClientSettingsTest, ReadsItsLinesAndSaysWhatIsWrongWithOthers) {
  ClientSettings settings;
  for (const char *line : {"Screens screens.txt ; every redraw", "Picture 20 display-20.png", "Picture 0.5 a.png", "",
                           "; a comment alone"})
    EXPECT_EQ(settings.ReadLine(line), "") << line;
  EXPECT_EQ(settings.screens, "screens.txt");
  ASSERT_EQ(settings.pictures.size(), 2u);
  EXPECT_EQ(settings.pictures[0].time, 20);
  EXPECT_EQ(settings.pictures[0].path, "display-20.png");
  EXPECT_EQ(settings.pictures[1].time, 0.5);

  EXPECT_EQ(settings.ReadLine("Screens"), "'Screens' needs a value");
  EXPECT_EQ(settings.ReadLine("Screens two words.txt"), "Screens 'two words.txt' is not one word");
  EXPECT_EQ(settings.ReadLine("Picture soon a.png"), "Picture 'soon' is not a time in seconds");
  EXPECT_EQ(settings.ReadLine("Picture -1 a.png"), "Picture '-1' is not a time in seconds");
  EXPECT_EQ(settings.ReadLine("Picture inf a.png"), "Picture 'inf' is not a time in seconds");
  EXPECT_EQ(settings.ReadLine("Picture 3"), "Picture 3 needs one file name");
  EXPECT_EQ(settings.ReadLine("Picture 3 a b.png"), "Picture 3 needs one file name");
  EXPECT_EQ(settings.ReadLine("Pictures 3 a.png"), "unknown line 'Pictures 3 a.png'");
  // A refused line changes nothing.
  EXPECT_EQ(settings.screens, "screens.txt");
  EXPECT_EQ(settings.pictures.size(), 2u);
}

// The picture reads back, pixel for pixel, with the system's PNG library.
TEST(PngFileTest, APictureReadsBackPixelForPixel) {
  const int width = 37, height = 23;
  std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
  std::mt19937 random(11);
  for (unsigned char &byte : rgb) byte = static_cast<unsigned char>(random() % 3 == 0 ? 0 : random());
  const std::string path = (std::filesystem::temp_directory_path() / "nullclient-picture.png").string();
  std::string error;
  ASSERT_TRUE(nullclient::WritePng(path, rgb.data(), width, height, error)) << error;

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
  EXPECT_EQ(image.width, static_cast<png_uint_32>(width));
  EXPECT_EQ(image.height, static_cast<png_uint_32>(height));
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> read(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, read.data(), 0, nullptr)) << image.message;
  EXPECT_EQ(read, rgb);
  std::remove(path.c_str());

  EXPECT_FALSE(nullclient::WritePng("/nonexistent-folder/picture.png", rgb.data(), width, height, error));
  EXPECT_EQ(error.rfind("cannot write '/nonexistent-folder/picture.png'", 0), 0u) << error;
}

}  // namespace
