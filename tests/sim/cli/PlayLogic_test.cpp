// The interactive terminal's logic that needs no terminal: keys, time acceleration and pacing,
// layout, colours and the texts of the screen and the save prompt.
#include "sim/cli/PlayLogic.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using sim::PlayControl;

TEST(PlayKeysTest, CharactersPressTheirKeysScanCodesInEitherCaseAndTheSimulatorKeepsItsOwn) {
  // Letters follow the keyboard's rows, not the alphabet.
  EXPECT_EQ(sim::ScanCodeForCharacter('a'), DWORD{OAPI_KEY_A});
  EXPECT_EQ(sim::ScanCodeForCharacter('A'), DWORD{OAPI_KEY_A});
  EXPECT_EQ(sim::ScanCodeForCharacter('j'), DWORD{OAPI_KEY_J});
  EXPECT_EQ(sim::ScanCodeForCharacter('J'), DWORD{OAPI_KEY_J});
  EXPECT_EQ(sim::ScanCodeForCharacter('m'), DWORD{OAPI_KEY_M});
  EXPECT_EQ(sim::ScanCodeForCharacter('p'), DWORD{OAPI_KEY_P});
  EXPECT_EQ(sim::ScanCodeForCharacter('z'), DWORD{OAPI_KEY_Z});
  // 0 is the key after 9.
  EXPECT_EQ(sim::ScanCodeForCharacter('1'), DWORD{OAPI_KEY_1});
  EXPECT_EQ(sim::ScanCodeForCharacter('9'), DWORD{OAPI_KEY_9});
  EXPECT_EQ(sim::ScanCodeForCharacter('0'), DWORD{OAPI_KEY_0});
  // Punctuation with and without Shift is the same key.
  EXPECT_EQ(sim::ScanCodeForCharacter('-'), DWORD{OAPI_KEY_MINUS});
  EXPECT_EQ(sim::ScanCodeForCharacter('_'), DWORD{OAPI_KEY_MINUS});
  EXPECT_EQ(sim::ScanCodeForCharacter('+'), DWORD{OAPI_KEY_EQUALS});
  EXPECT_EQ(sim::ScanCodeForCharacter('{'), DWORD{OAPI_KEY_LBRACKET});
  EXPECT_EQ(sim::ScanCodeForCharacter(']'), DWORD{OAPI_KEY_RBRACKET});
  EXPECT_EQ(sim::ScanCodeForCharacter(':'), DWORD{OAPI_KEY_SEMICOLON});
  EXPECT_EQ(sim::ScanCodeForCharacter('\''), DWORD{OAPI_KEY_APOSTROPHE});
  EXPECT_EQ(sim::ScanCodeForCharacter('<'), DWORD{OAPI_KEY_COMMA});
  EXPECT_EQ(sim::ScanCodeForCharacter('.'), DWORD{OAPI_KEY_PERIOD});
  EXPECT_EQ(sim::ScanCodeForCharacter('/'), DWORD{OAPI_KEY_SLASH});

  // The simulator's own keys never reach the display; ? and h are not display keys.
  const std::pair<int, PlayControl> own[] = {
      {'q', PlayControl::Quit},       {'Q', PlayControl::Quit}, {27, PlayControl::Quit},  {' ', PlayControl::Pause},
      {'\t', PlayControl::NextFocus}, {'?', PlayControl::Keys}, {'h', PlayControl::Keys}, {'H', PlayControl::Keys}};
  for (const auto &[ch, control] : own) {
    EXPECT_EQ(sim::ControlForCharacter(ch), control) << ch;
    EXPECT_FALSE(sim::ScanCodeForCharacter(ch)) << ch;
  }
  for (int ch : {int{'\n'}, int{'\r'}, 127, 0, 200, -1}) {
    EXPECT_FALSE(sim::ScanCodeForCharacter(ch)) << ch;
    EXPECT_EQ(sim::ControlForCharacter(ch), PlayControl::None) << ch;
  }

  // Every key of the display's command set can be typed.
  std::set<DWORD> typed;
  for (int ch = 0; ch < 256; ++ch)
    if (auto code = sim::ScanCodeForCharacter(ch)) typed.insert(*code);
  for (DWORD code :
       {OAPI_KEY_1,          OAPI_KEY_2,     OAPI_KEY_3,      OAPI_KEY_4,    OAPI_KEY_5, OAPI_KEY_6, OAPI_KEY_7,
        OAPI_KEY_8,          OAPI_KEY_MINUS, OAPI_KEY_EQUALS, OAPI_KEY_U,    OAPI_KEY_I, OAPI_KEY_O, OAPI_KEY_LBRACKET,
        OAPI_KEY_RBRACKET,   OAPI_KEY_A,     OAPI_KEY_S,      OAPI_KEY_J,    OAPI_KEY_K, OAPI_KEY_L, OAPI_KEY_SEMICOLON,
        OAPI_KEY_APOSTROPHE, OAPI_KEY_COMMA, OAPI_KEY_PERIOD, OAPI_KEY_SLASH})
    EXPECT_EQ(typed.count(code), 1u) << code;
}

TEST(PlayPacingTest, AccelerationRunsMoreStepsPerWallSecondWithinItsBounds) {
  sim::TimeAcceleration acceleration;
  EXPECT_EQ(acceleration.Label(), "1");
  while (acceleration.Slower()) {
  }
  EXPECT_EQ(acceleration.Label(), "1/8");
  EXPECT_EQ(acceleration.Factor(), 0.125);
  std::vector<std::string> labels{acceleration.Label()};
  while (acceleration.Faster()) labels.push_back(acceleration.Label());
  EXPECT_EQ(labels, (std::vector<std::string>{"1/8", "1/4", "1/2", "1", "2", "4", "8", "16", "32", "64"}));
  EXPECT_EQ(acceleration.Factor(), 64.0);
  EXPECT_FALSE(acceleration.Faster());

  const double step = 0.02;  // s
  // One wall second in refreshes of 20 ms at ×1: the 50 steps of a simulated second.
  sim::Pacer realTime(step);
  long frames = 0;
  for (int tick = 0; tick < 50; ++tick) frames += realTime.FramesFor(0.02, 1.0);
  EXPECT_EQ(frames, 50);

  // ×64: a 50 ms refresh runs 160 steps of the same length.
  sim::Pacer fast(step);
  EXPECT_EQ(fast.FramesFor(0.05, 64.0), 160);

  // ×1/8: a step falls due every 3.2 refreshes of 50 ms; the part of a step carries over.
  sim::Pacer slow(step);
  std::vector<long> due;
  for (int tick = 0; tick < 8; ++tick) due.push_back(slow.FramesFor(0.05, 0.125));
  EXPECT_EQ(due, (std::vector<long>{0, 0, 0, 1, 0, 0, 1, 0}));

  // A stall of 10 s counts as the longest gap (0.25 s), not as 500 steps to catch up; a clock
  // that steps back runs nothing.
  sim::Pacer stalled(step, 0.25);
  EXPECT_EQ(stalled.FramesFor(10.0, 1.0), 12);
  EXPECT_EQ(stalled.FramesFor(-1.0, 1.0), 0);
  EXPECT_EQ(stalled.FramesFor(0.01, 1.0), 1);  // 0.01 s left over from the stall, plus 0.01 s
}

TEST(PlayPacingTest, RateMeterMeasuresOverItsWindowOnly) {
  sim::RateMeter meter(1.0);
  meter.Add(0.0, 0.0);
  meter.Add(0.4, 0.8);
  EXPECT_FALSE(meter.Rate());  // less than half a window
  meter.Add(0.6, 1.2);
  ASSERT_TRUE(meter.Rate());
  EXPECT_DOUBLE_EQ(*meter.Rate(), 2.0);
  // The machine falls behind: one simulated second per wall second from 1 s on. After a window
  // the old pace no longer counts.
  for (double wall = 1.0; wall <= 3.0; wall += 0.1) meter.Add(wall, 1.2 + (wall - 0.6));
  EXPECT_NEAR(*meter.Rate(), 1.0, 1e-9);
  meter.Reset();
  EXPECT_FALSE(meter.Rate());
}

TEST(PlayScreenTest, LayoutPutsTheVesselsBesideOrBelowTheDisplayOrSaysWhatSizeIsNeeded) {
  const sim::DisplayCells display;  // 40 × 25 cells, 22 rows at least

  const sim::PlayLayout standard = sim::LayoutFor(80, 24, display, 2);
  ASSERT_TRUE(standard.fits);
  EXPECT_EQ(standard.displayRows, 22);
  EXPECT_EQ(standard.displayColumns, 40);
  EXPECT_EQ(standard.vesselsTop, 0);
  EXPECT_EQ(standard.vesselsLeft, 42);
  EXPECT_EQ(standard.vesselsColumns, 38);
  EXPECT_EQ(standard.statusRow, 22);
  EXPECT_EQ(standard.helpRow, 23);

  const sim::PlayLayout tall = sim::LayoutFor(100, 40, display, 2);
  ASSERT_TRUE(tall.fits);
  EXPECT_EQ(tall.displayRows, 25);
  EXPECT_EQ(tall.vesselsLeft, 42);
  EXPECT_EQ(tall.statusRow, 38);

  // Narrow but tall: the list goes below, and rows it does not need go to the display.
  const sim::PlayLayout narrow = sim::LayoutFor(60, 40, display, 2);
  ASSERT_TRUE(narrow.fits);
  EXPECT_EQ(narrow.displayRows, 25);
  EXPECT_EQ(narrow.vesselsTop, 26);
  EXPECT_EQ(narrow.vesselsLeft, 0);
  EXPECT_EQ(narrow.vesselsColumns, 60);
  const sim::PlayLayout crowded = sim::LayoutFor(60, 30, display, 100);
  ASSERT_TRUE(crowded.fits);
  EXPECT_EQ(crowded.displayRows, 22);
  EXPECT_EQ(crowded.vesselsRows, 30 - 2 - 23);

  // Button labels beside the display where the vessel list keeps its width, else none.
  sim::DisplayCells labelled = display;
  labelled.labelWidth = 4;
  EXPECT_EQ(sim::LayoutFor(80, 24, labelled, 2).labelWidth, 0);
  EXPECT_EQ(sim::LayoutFor(88, 24, labelled, 2).labelWidth, 0);
  const sim::PlayLayout wide = sim::LayoutFor(89, 24, labelled, 2);
  ASSERT_TRUE(wide.fits);
  EXPECT_EQ(wide.labelWidth, 4);
  EXPECT_EQ(wide.leftLabelsColumn, 0);
  EXPECT_EQ(wide.displayLeft, 5);
  EXPECT_EQ(wide.rightLabelsColumn, 46);
  EXPECT_EQ(wide.vesselsLeft, 52);
  EXPECT_EQ(wide.vesselsColumns, 37);

  // One column or row short of either layout: the message names the nearer one.
  const sim::PlayLayout tooNarrow = sim::LayoutFor(78, 24, display, 2);
  EXPECT_FALSE(tooNarrow.fits);
  EXPECT_EQ(sim::TooSmallMessage(tooNarrow, 78, 24), "Terminal too small: need 79x24, have 78x24");
  const sim::PlayLayout tooLow = sim::LayoutFor(50, 20, display, 2);
  EXPECT_FALSE(tooLow.fits);
  EXPECT_EQ(sim::TooSmallMessage(tooLow, 50, 20), "Terminal too small: need 40x27, have 50x20");
  EXPECT_FALSE(sim::LayoutFor(0, 0, display, 0).fits);
}

TEST(PlayScreenTest, PanelGivesTheTextItsLinesWhileTheListKeepsTheFocusAndTwoMore) {
  // 80 × 24: two vessels and the thirteen lines of the legend, a blank row between.
  sim::PanelSplit split = sim::SplitPanel(22, 2, 13);
  EXPECT_EQ(split.listRows, 3);
  EXPECT_EQ(split.textTop, 4);
  EXPECT_EQ(split.textRows, 13);
  // Many vessels: the list gets what the text leaves.
  split = sim::SplitPanel(22, 100, 13);
  EXPECT_EQ(split.listRows, 8);
  EXPECT_EQ(split.textTop, 9);
  EXPECT_EQ(split.textRows, 13);
  // A short panel cuts the text, never the list below its header and three vessels.
  split = sim::SplitPanel(10, 100, 13);
  EXPECT_EQ(split.listRows, 4);
  EXPECT_EQ(split.textTop, 5);
  EXPECT_EQ(split.textRows, 5);
  split = sim::SplitPanel(5, 100, 13);
  EXPECT_EQ(split.listRows, 5);
  EXPECT_EQ(split.textRows, 0);
  // No text: the whole list.
  split = sim::SplitPanel(22, 30, 0);
  EXPECT_EQ(split.listRows, 22);
  EXPECT_EQ(split.textRows, 0);
  EXPECT_EQ(sim::SplitPanel(0, 3, 13).listRows, 0);
}

TEST(PlayScreenTest, VesselListKeepsTheFocusVesselInViewWhenCut) {
  auto window = sim::VesselWindow(2, 5, 1);
  EXPECT_EQ(window.first, 0u);
  EXPECT_EQ(window.shown, 2u);
  EXPECT_FALSE(window.more);

  // Ten vessels in four lines: three vessels and "... 7 more".
  window = sim::VesselWindow(10, 4, 1);
  EXPECT_EQ(window.first, 0u);
  EXPECT_EQ(window.shown, 3u);
  EXPECT_TRUE(window.more);
  window = sim::VesselWindow(10, 4, 8);
  EXPECT_EQ(window.first, 6u);  // vessels 6, 7, 8
  EXPECT_EQ(window.shown, 3u);

  window = sim::VesselWindow(10, 1, 8);
  EXPECT_EQ(window.first, 8u);
  EXPECT_EQ(window.shown, 1u);
  EXPECT_FALSE(window.more);
  EXPECT_EQ(sim::VesselWindow(10, 0, 8).shown, 0u);
}

TEST(PlayScreenTest, TerminalColoursNearestTheDisplaysColours) {
  // The screen's label, value, notice and current colours.
  const COLORREF label = 0xC000, value = 0xFF00, notice = 0xC0C0, current = 0xC0C0C0;
  auto basic = [](COLORREF c) {
    const sim::BasicColour b = sim::NearestBasicColour(c);
    return std::make_pair(b.index, b.bright);
  };
  EXPECT_EQ(basic(label), std::make_pair(2, false));    // green
  EXPECT_EQ(basic(value), std::make_pair(2, true));     // bright green
  EXPECT_EQ(basic(notice), std::make_pair(3, false));   // yellow
  EXPECT_EQ(basic(current), std::make_pair(7, false));  // white (grey)
  EXPECT_EQ(basic(0x000000), std::make_pair(0, false));
  EXPECT_EQ(basic(0x0000FF), std::make_pair(1, true));  // 0x00BBGGRR: pure red

  EXPECT_EQ(sim::NearestPaletteColour(label), 34);
  EXPECT_EQ(sim::NearestPaletteColour(value), 46);
  EXPECT_EQ(sim::NearestPaletteColour(notice), 142);
  EXPECT_EQ(sim::NearestPaletteColour(current), 250);  // the grey ramp, nearer than the cube's 145
  EXPECT_EQ(sim::NearestPaletteColour(0x000000), 16);
  EXPECT_EQ(sim::NearestPaletteColour(0xFFFFFF), 231);
}

TEST(PlayScreenTest, VesselAndStatusLinesReadAsText) {
  EXPECT_EQ(sim::FormatDistance(1500.0), "1500.0 m");
  EXPECT_EQ(sim::FormatDistance(9999.96), "10000.0 m");  // the unit follows the value, not the text
  EXPECT_EQ(sim::FormatDistance(10000.0), "10.000 km");
  EXPECT_EQ(sim::FormatSpeed(0.45), "0.45 m/s");
  EXPECT_EQ(sim::FormatSpeed(7712.0), "7712.00 m/s");
  EXPECT_EQ(sim::FormatSpeed(12345.0), "12.345 km/s");

  EXPECT_EQ(sim::VesselHeader(38), "  Vessel        Distance    Rel. speed");
  // The focus vessel is where the others are measured from.
  EXPECT_EQ(sim::VesselLine({"Tug", 0.0, 0.0, true}, 38), "> Tug                  -             -");
  EXPECT_EQ(sim::VesselLine({"Pod", 1500.0, 0.45, false}, 38), "  Pod           1500.0 m      0.45 m/s");
  // A long name is cut so the numbers stay in their columns.
  EXPECT_EQ(sim::VesselLine({"Interplanetary-Freighter", 12345.0, 3.0, false}, 38),
            "  Interplan    12.345 km      3.00 m/s");
  EXPECT_EQ(sim::MoreVesselsLine(7, 14), "  ... 7 more  ");

  sim::PlayStatus status;
  status.scenario = "tug.scn";
  status.time = 12.34;
  status.acceleration = "64";
  EXPECT_EQ(sim::StatusLine(status, 40), " tug.scn   t = 12.3 s   time x64        ");
  status.actualFactor = 18.64;
  status.paused = true;
  status.note = "key J";
  EXPECT_EQ(sim::StatusLine(status, 80),
            " tug.scn   t = 12.3 s   time x64 (running at x18.6)   PAUSED   key J            ");
  EXPECT_EQ(sim::StatusLine(status, 20), " tug.scn   t = 12.3 ");

  for (int width : {40, 79, 80, 120}) {
    const std::string help = sim::HelpLine(width);
    EXPECT_EQ(help.size(), static_cast<size_t>(width));
    EXPECT_NE(help.find("q"), std::string::npos) << width;
    EXPECT_NE(help.find("pause"), std::string::npos) << width;
  }
  // The Delete key is named wherever the terminal is as wide as play needs.
  for (int width : {72, 80, 100, 120}) EXPECT_NE(sim::HelpLine(width).find("Del delete"), std::string::npos) << width;
  // And where every key is to be found, at any width.
  for (int width : {40, 79, 80, 120}) EXPECT_NE(sim::HelpLine(width).find("? "), std::string::npos) << width;
}

TEST(PlayScreenTest, DescriptionIsWrappedToThePanelWithItsParagraphs) {
  // The file's line ends are blanks inside a paragraph; a blank line parts two.
  const std::string text = "Two ShuttlePBs 1.5 km apart.\nPress MINUS, A, J.\n\n\nThen I to reel in.";
  EXPECT_EQ(sim::WrapText(text, 20), (std::vector<std::string>{"Two ShuttlePBs 1.5", "km apart. Press", "MINUS, A, J.",
                                                               "", "Then I to reel in."}));
  // A word longer than the line is cut; blanks at either end go.
  EXPECT_EQ(sim::WrapText("  abcdefghij xy  ", 4), (std::vector<std::string>{"abcd", "efgh", "ij", "xy"}));
  EXPECT_TRUE(sim::WrapText("", 20).empty());
  EXPECT_TRUE(sim::WrapText("text", 0).empty());

  const std::vector<std::string> lines = sim::DescriptionLines("tug.scn", "Reel in the pod.", 38);
  EXPECT_EQ(lines, (std::vector<std::string>{"About tug.scn", "", "Reel in the pod.", "",
                                             "Shown until the first key. ? or h:", "every key."}));
  EXPECT_TRUE(sim::DescriptionLines("tug.scn", "", 38).empty());
}

TEST(PlayKeysTest, DeletingTheFocusVesselTakesAYAndNothingElse) {
  EXPECT_EQ(sim::DeletionQuestion("Tug"), "delete Tug? y/N");
  EXPECT_TRUE(sim::ConfirmsDeletion('y'));
  EXPECT_TRUE(sim::ConfirmsDeletion('Y'));
  // Enter, the keys that quit and pause, and a second Delete (a byte 127 from some terminals)
  // all keep the vessel.
  for (int ch : {int{'n'}, int{'N'}, int{'\n'}, int{'\r'}, 27, int{'q'}, int{' '}, 127, int{'j'}})
    EXPECT_FALSE(sim::ConfirmsDeletion(ch)) << ch;
}

TEST(PlaySaveTest, DefaultPathIsInTheWorkingFolderAndOnlyClearAnswersSave) {
  // Never into the scenario's own folder: the project's examples or the host's scenarios.
  EXPECT_EQ(sim::DefaultSavePath("scenarios/tug.scn"), "tug-saved.scn");
  EXPECT_EQ(sim::DefaultSavePath("TUG.SCN"), "TUG-saved.scn");
  EXPECT_EQ(sim::DefaultSavePath("runs.d/tug"), "tug-saved.scn");
  EXPECT_EQ(sim::DefaultSavePath("C:\\Orbiter\\Scenarios\\tug.scn"), "tug-saved.scn");
  // Saving again goes to the same name (the user is asked before it is replaced).
  EXPECT_EQ(sim::DefaultSavePath("scenarios/tug-saved.scn"), "tug-saved.scn");
  EXPECT_EQ(sim::DefaultSavePath("dir.scn/x"), "x-saved.scn");
  EXPECT_EQ(sim::DefaultReplayPath("scenarios/tug.scn"), "tug-replay.html");
  EXPECT_EQ(sim::DefaultReplayPath("TUG.SCN"), "TUG-replay.html");
  EXPECT_EQ(sim::DefaultReplayPath("dir.scn/x"), "x-replay.html");

  using Kind = sim::SaveChoice::Kind;
  const std::string def = "tug-saved.scn";
  for (const char *yes : {"", "  ", "\r", "y", "Yes"}) {
    const sim::SaveChoice c = sim::ReadSaveAnswer(yes, def, ".scn");
    EXPECT_EQ(c.kind, Kind::Default) << yes;
    EXPECT_EQ(c.path, def) << yes;
  }
  for (const char *no : {"n", "N", " no ", "NO\r"}) EXPECT_EQ(sim::ReadSaveAnswer(no, def, ".scn").kind, Kind::Decline);
  const sim::SaveChoice other = sim::ReadSaveAnswer("  runs/after tug.SCN \r", def, ".scn");
  EXPECT_EQ(other.kind, Kind::Path);
  EXPECT_EQ(other.path, "runs/after tug.SCN");
  // A folder takes the default's name.
  const sim::SaveChoice folder = sim::ReadSaveAnswer("out/", def, ".scn");
  EXPECT_EQ(folder.kind, Kind::Path);
  EXPECT_EQ(folder.path, "out/tug-saved.scn");
  EXPECT_EQ(sim::InFolder("out", "tug-replay.html"), "out/tug-replay.html");
  // A slip of the finger saves nothing: a file called "nn" is no scenario.
  for (const char *unclear : {"nn", "yy", "nope", "out", ".scn", "out/.scn", "tug.html"}) {
    const sim::SaveChoice c = sim::ReadSaveAnswer(unclear, def, ".scn");
    EXPECT_EQ(c.kind, Kind::Unclear) << unclear;
    EXPECT_EQ(c.path, unclear);
  }
  EXPECT_EQ(sim::ReadSaveAnswer("page.html", "tug-replay.html", ".html").kind, Kind::Path);
}

}  // namespace
