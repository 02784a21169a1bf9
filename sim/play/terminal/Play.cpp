#include "sim/play/terminal/Play.h"

#include <curses.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "sim/cli/ExitStatus.h"
#include "sim/cli/KeyGuide.h"
#include "sim/cli/KeyNames.h"
#include "sim/cli/RunSignals.h"
#include "sim/play/Colours.h"
#include "sim/play/Layout.h"
#include "sim/play/Pacing.h"
#include "sim/play/SavePaths.h"
#include "sim/play/ScreenText.h"
#include "sim/play/TypedKeys.h"
#include "sim/run/BlockWarnings.h"
#include "sim/run/PluginContract.h"
#include "sim/run/ReplayFile.h"
#include "sim/run/ReplayRecorder.h"
#include "sim/run/Simulation.h"
#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioFile.h"
#include "sim/world/SimTime.h"

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;

// The terminal is drawn this often, s.
constexpr double refreshPeriod = 0.05;
// Wall time the frames of one refresh may take, s; a machine that cannot run the due frames in it
// falls behind instead of freezing the screen and the keys.
constexpr double frameBudget = 0.04;
// A gap this long between two refreshes, s, means the process was stopped: the pacing does not
// make it up.
constexpr double stallGap = 0.25;
// A key's note on the status line stays this long, s.
constexpr double noteLifetime = 4.0;
// A display shows at least its top 22 rows (the screen's title down to the current tether's reel
// speed); rows below show when the terminal has room.
constexpr int displayRowsNeeded = 22;
// The host draws three characters of a button's label.
constexpr int buttonLabelWidth = 3;
// The shown rate counts as falling short below this share of the acceleration.
constexpr double shortfall = 0.9;

// Terminal colour pairs for the display's colour values: custom colours where the terminal lets
// colours be redefined, else the nearest of its 256-colour palette, else the nearest of the eight
// basic colours (bold for the bright ones).
class Colours {
public:
  void Start() {
    if (!has_colors() || start_color() == ERR) return;
    // The rest of the screen keeps the terminal's own colours, light or dark.
    use_default_colors();
    if (can_change_color() && COLORS >= 256)
      kind = Kind::Custom;
    else if (COLORS >= 256)
      kind = Kind::Palette;
    else if (COLORS >= 8)
      kind = Kind::Basic;
  }

  // The attributes that draw text in `text` on `back` (colour values 0x00BBGGRR).
  chtype For(COLORREF text, COLORREF back) {
    if (kind == Kind::None) return A_NORMAL;
    bool bright = false, unused = false;
    const short fg = Number(text, bright), bg = Number(back, unused);
    const chtype boldness = bright ? A_BOLD : A_NORMAL;
    auto known = pairs.find({fg, bg});
    if (known != pairs.end()) return COLOR_PAIR(known->second) | boldness;
    // Pair numbers must fit the attribute's colour field.
    if (nextPair >= COLOR_PAIRS || nextPair > 255) return boldness;
    init_pair(nextPair, fg, bg);
    pairs[{fg, bg}] = nextPair;
    return COLOR_PAIR(nextPair++) | boldness;
  }

private:
  enum class Kind { None, Basic, Palette, Custom };

  short Number(COLORREF colour, bool &bright) {
    if (kind == Kind::Custom) {
      auto known = custom.find(colour);
      if (known != custom.end()) return known->second;
      // Colours 0 .. 15 are the terminal's own, which the rest of the screen keeps using.
      if (nextCustom < COLORS && nextCustom < 256) {
        auto scale = [](COLORREF c) { return static_cast<short>((c & 0xFF) * 1000 / 255); };
        init_color(nextCustom, scale(colour), scale(colour >> 8), scale(colour >> 16));
        custom[colour] = nextCustom;
        return nextCustom++;
      }
      return static_cast<short>(NearestPaletteColour(colour));
    }
    if (kind == Kind::Palette) return static_cast<short>(NearestPaletteColour(colour));
    const BasicColour basic = NearestBasicColour(colour);
    bright = basic.bright;
    return static_cast<short>(basic.index);
  }

  Kind kind = Kind::None;
  std::map<COLORREF, short> custom;
  short nextCustom = 16;
  std::map<std::pair<short, short>, short> pairs;
  short nextPair = 1;
};

class TerminalError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Curses mode for the life of the object: the terminal is restored however the run ends.
class Terminal {
public:
  // Throws TerminalError when the terminal's type is unknown.
  Terminal() {
    const char *type = std::getenv("TERM");
    screen = newterm(nullptr, stdout, stdin);
    if (screen == nullptr)
      throw TerminalError(std::string("cannot use the terminal of type '") + (type ? type : "") + "'");
    cbreak();
    noecho();
    keypad(stdscr, TRUE);
    intrflush(stdscr, FALSE);
    // Esc quits: wait only briefly for the rest of an escape sequence.
    set_escdelay(25);
    curs_set(0);
    colours.Start();
  }
  ~Terminal() {
    // Without an alternate screen the run's last picture would stay under the prompt.
    const char *leaveAlternate = tigetstr("rmcup");
    if (leaveAlternate == nullptr || leaveAlternate == reinterpret_cast<char *>(-1)) {
      clear();
      refresh();
    }
    curs_set(1);
    endwin();
    delscreen(screen);
  }
  Terminal(const Terminal &) = delete;
  Terminal &operator=(const Terminal &) = delete;

  Colours colours;

private:
  SCREEN *screen = nullptr;
};

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The simulator's control behind a key the terminal reports as a special key.
PlayControl ControlForKey(int key) {
  switch (key) {
    case KEY_LEFT:
    case KEY_F(1):
      return PlayControl::Slower;
    case KEY_RIGHT:
    case KEY_F(2):
      return PlayControl::Faster;
    case KEY_BTAB:
      return PlayControl::PreviousFocus;
    case KEY_DC:
      return PlayControl::DeleteFocus;
    default:
      return ControlForCharacter(key);
  }
}

// Whether the display, or the host's menu of its buttons, has a command for the key.
bool IsDisplayKey(DWORD code) {
  if (code == OAPI_KEY_GRAVE) return true;
  for (const DisplayKeyHelp &key : DisplayKeys())
    if (KeyCode(key.name) == code) return true;
  return false;
}

// The printable keys and line ends typed but not yet read.
std::string TypedAhead() {
  std::string typed;
  timeout(0);
  for (int key = getch(); key != ERR; key = getch())
    if ((key >= ' ' && key < 127) || key == '\r' || key == '\n') typed += static_cast<char>(key);
  return typed;
}

class PlayScreen {
public:
  // `warnings`: what loading the scenario found to tell the user, shown with the description.
  PlayScreen(Simulation &run, ReplayRecorder &recording, Terminal &term, const std::string &scenarioPath,
             std::vector<std::string> warnings)
      : simulation(run),
        replay(recording),
        terminal(term),
        scenarioName(std::filesystem::path(scenarioPath).filename().string()),
        loadWarnings(std::move(warnings)),
        pacer(run.GetWorld().step, stallGap),
        lastTick(Clock::now()) {
    showStart = !run.Loaded().description.empty() || !loadWarnings.empty();
    // The menu names each button's key as it is typed here.
    run.Displays().ShowMenuKeysAsTyped(true);
  }

  // Runs until q, Esc or a stop signal.
  void Loop() {
    while (!quit && RunSignals::Received() == 0) {
      const Clock::time_point now = Clock::now();
      const double elapsed = Seconds(now - lastTick);
      lastTick = now;
      // After a stop (Ctrl-Z) the time away is not the machine falling behind.
      if (elapsed > stallGap) rate.Reset();
      if (!paused) RunFrames(elapsed, now);
      // Paused, the host still takes the keys and draws the displays, but steps nothing.
      if (paused) Idle();
      Draw();
      WaitForKeys(refreshPeriod - Seconds(Clock::now() - now));
    }
  }

private:
  void RunFrames(double elapsed, Clock::time_point now) {
    const long due = pacer.FramesFor(elapsed, acceleration.Factor());
    const Clock::time_point deadline =
        now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(frameBudget));
    for (long frame = 0; frame < due; ++frame) {
      // The keys typed since the last frame go to its start, as the host takes them.
      simulation.Frame(typed);
      typed.clear();
      replay.AfterFrame(simulation);
      if (Clock::now() >= deadline) break;
    }
    rate.Add(Seconds(Clock::now() - begin), simulation.Time());
  }

  void Idle() {
    for (DWORD key : typed) simulation.PressKey(key);
    typed.clear();
    simulation.RedrawDue();
  }

  void WaitForKeys(double seconds) {
    timeout(std::max(1, static_cast<int>(seconds * 1000)));
    // Keys typed after the one that quits are left for the save prompt.
    for (int key = getch(); key != ERR; key = getch()) {
      if (key == escapeCharacter) {
        // Esc with a key right behind it is an Alt chord, not Esc: the key counts alone.
        timeout(0);
        const int next = getch();
        if (next != ERR) key = next;
      }
      Handle(key);
      if (quit) return;
      timeout(0);
    }
  }

  void Handle(int key) {
    if (key == KEY_RESIZE) {
      clear();
      return;
    }
    // The page of keys goes at any key, which does nothing else.
    if (showKeys) {
      showKeys = false;
      return;
    }
    showStart = false;
    if (!doomed.empty()) {
      AnswerDeletion(key);
      return;
    }
    switch (ControlForKey(key)) {
      case PlayControl::Quit:
        quit = true;
        return;
      case PlayControl::Pause:
        paused = !paused;
        rate.Reset();
        return;
      case PlayControl::NextFocus:
        MoveFocus(1);
        return;
      case PlayControl::PreviousFocus:
        MoveFocus(-1);
        return;
      case PlayControl::Slower:
        if (acceleration.Slower()) rate.Reset();
        return;
      case PlayControl::Faster:
        if (acceleration.Faster()) rate.Reset();
        return;
      case PlayControl::DeleteFocus:
        AskDeletion();
        return;
      case PlayControl::Keys:
        showKeys = true;
        return;
      case PlayControl::None:
        break;
    }
    const std::optional<DWORD> code = ScanCodeForCharacter(key);
    if (!code) return;
    typed.push_back(*code);
    Note("key " + KeyName(*code) + (IsDisplayKey(*code) ? "" : ": not a display key (? lists them)"));
  }

  void MoveFocus(int direction) {
    World &world = simulation.GetWorld();
    const size_t count = world.VesselCount();
    if (count == 0) return;
    const size_t index = world.IndexOf(world.Focus());
    size_t next = 0;
    if (index < count) next = direction > 0 ? (index + 1) % count : (index + count - 1) % count;
    world.SetFocus(world.VesselAt(next));
    // The display follows the focus when it is next drawn, at the end of the next frame.
    simulation.Displays().InvalidateAll();
    Note("focus: " + world.Focus()->Name());
  }

  // The focus vessel is named now; the next key decides. The host always keeps one vessel to
  // hold the focus.
  void AskDeletion() {
    World &world = simulation.GetWorld();
    if (world.Focus() == nullptr) return;
    if (world.VesselCount() < 2) {
      Note("the last vessel stays");
      return;
    }
    doomed = world.Focus()->Name();
  }

  void AnswerDeletion(int key) {
    const std::string name = std::move(doomed);
    doomed.clear();
    if (!ConfirmsDeletion(key) || !simulation.DeleteVessel(name)) {
      Note("kept " + name);
      return;
    }
    // The display follows the new focus when it is next drawn, at the end of the next frame.
    simulation.Displays().InvalidateAll();
    const Vessel *focus = simulation.GetWorld().Focus();
    Note("deleted " + name + (focus != nullptr ? ", focus: " + focus->Name() : std::string()));
  }

  void Note(const std::string &text) {
    note = text;
    noteTime = Clock::now();
  }

  void Draw() {
    erase();
    const int columns = COLS, rows = LINES;
    DisplayHost::Display *display = simulation.FirstDisplay();
    DisplayCells cells;
    if (display != nullptr) {
      const DisplayGeometry &size = display->Size();
      cells.columns = static_cast<int>(size.width / size.cellWidth);
      cells.rows = static_cast<int>(size.height / size.cellHeight);
      cells.rowsNeeded = std::min(cells.rows, std::max(displayRowsNeeded, MenuRows(size)));
      // The buttons' labels beside the display, where the terminal is wide enough for them.
      cells.labelWidth = buttonLabelWidth;
    }
    const PlayLayout layout = LayoutFor(columns, rows, cells, simulation.GetWorld().VesselCount());
    if (!layout.fits) {
      std::vector<std::string> lines = WrapText(TooSmallMessage(layout, columns, rows), columns);
      lines.push_back("or press q to quit");
      const int top = std::max(0, (rows - static_cast<int>(lines.size())) / 2);
      for (size_t i = 0; i < lines.size(); ++i)
        mvaddnstr(top + static_cast<int>(i), std::max(0, (columns - static_cast<int>(lines[i].size())) / 2),
                  lines[i].c_str(), columns);
      refresh();
      return;
    }
    if (showKeys) {
      DrawKeysPage(layout, columns);
    } else {
      if (display != nullptr) {
        DrawDisplay(display->Surface(), layout);
        DrawButtonLabels(*display, layout);
      }
      DrawSidePanel(layout);
    }
    DrawStatus(layout, columns);
    refresh();
  }

  // Every key over the display and the panel, the status line left in view.
  void DrawKeysPage(const PlayLayout &layout, int columns) {
    const int rows = layout.statusRow;
    std::vector<std::string> about = WrapText(simulation.Loaded().description, columns);
    if (!about.empty()) about.insert(about.begin(), "About " + scenarioName);
    const std::vector<std::string> page = KeysPage(columns, rows, about);
    for (size_t row = 0; row < page.size(); ++row) {
      if (row == 0) attron(A_BOLD);
      mvaddnstr(static_cast<int>(row), 0, page[row].c_str(), columns);
      if (row == 0) attroff(A_BOLD);
    }
  }

  // The vessel list, and below it the description and warnings until the first key, then the
  // legend of the display's keys.
  void DrawSidePanel(const PlayLayout &layout) {
    const int width = layout.vesselsColumns;
    std::vector<std::string> text;
    if (showStart) {
      text = DescriptionLines(scenarioName, simulation.Loaded().description, width);
      for (const std::string &warning : loadWarnings)
        for (const std::string &line : WrapText("warning: " + warning, width)) text.push_back(line);
    } else if (width >= legendWidth) {
      text = KeyLegend();
    }
    const size_t count = simulation.GetWorld().VesselCount();
    const PanelSplit split = SplitPanel(layout.vesselsRows, count, static_cast<int>(text.size()));
    DrawVessels(layout, split.listRows);
    for (int row = 0; row < split.textRows; ++row) {
      // The panel's first line is its heading.
      if (row == 0) attron(A_BOLD);
      mvaddnstr(layout.vesselsTop + split.textTop + row, layout.vesselsLeft, text[static_cast<size_t>(row)].c_str(),
                width);
      if (row == 0) attroff(A_BOLD);
    }
  }

  // The labels of the page of buttons shown, each at its button's height, as the host's panel
  // shows them.
  void DrawButtonLabels(const DisplayHost::Display &display, const PlayLayout &layout) {
    if (layout.labelWidth == 0) return;
    const DisplayGeometry &geometry = display.Size();
    const chtype bezel = terminal.colours.For(0xE0E0E0, 0x404040);
    for (int side = 0; side < 2; ++side) {
      const int column = side == 0 ? layout.leftLabelsColumn : layout.rightLabelsColumn;
      for (int row = 0; row < geometry.buttonsPerSide; ++row) {
        const std::string label =
            simulation.Displays().ButtonLabel(display, side * geometry.buttonsPerSide + row).substr(0, 3);
        const int y = layout.displayTop + ButtonCentreY(geometry, row) / static_cast<int>(geometry.cellHeight);
        if (label.empty() || y >= layout.displayTop + layout.displayRows) continue;
        attron(bezel);
        mvaddnstr(y, column, label.c_str(), layout.labelWidth);
        attroff(bezel);
      }
    }
  }

  // The display on its black screen, each character in its own colour.
  void DrawDisplay(const Canvas &display, const PlayLayout &layout) {
    const COLORREF black = 0x000000;
    const chtype screen = terminal.colours.For(0x00FF00, black);
    for (int row = 0; row < layout.displayRows; ++row)
      for (int column = 0; column < layout.displayColumns; ++column)
        mvaddch(layout.displayTop + row, layout.displayLeft + column, ' ' | screen);
    const std::vector<std::vector<Cell>> grid = display.Cells();
    for (size_t row = 0; row < grid.size() && static_cast<int>(row) < layout.displayRows; ++row) {
      for (size_t column = 0; column < grid[row].size() && static_cast<int>(column) < layout.displayColumns; ++column) {
        const Cell &cell = grid[row][column];
        if (!cell.drawn) continue;
        const chtype attributes = terminal.colours.For(cell.textColour, cell.opaque ? cell.backColour : black);
        mvaddch(layout.displayTop + static_cast<int>(row), layout.displayLeft + static_cast<int>(column),
                static_cast<unsigned char>(cell.glyph) | attributes);
      }
    }
  }

  void DrawVessels(const PlayLayout &layout, int rows) {
    if (rows <= 0) return;
    World &world = simulation.GetWorld();
    const int width = layout.vesselsColumns;
    attron(A_BOLD);
    mvaddnstr(layout.vesselsTop, layout.vesselsLeft, VesselHeader(width).c_str(), width);
    attroff(A_BOLD);
    const Vessel *focus = world.Focus();
    const size_t count = world.VesselCount();
    const ListWindow window = VesselWindow(count, rows - 1, world.IndexOf(focus));
    int row = layout.vesselsTop + 1;
    for (size_t i = window.first; i < window.first + window.shown; ++i, ++row) {
      const Vessel *vessel = world.VesselAt(i);
      VesselRow line{vessel->Name(), focus ? Length(vessel->pos - focus->pos) : 0.0,
                     focus ? Length(vessel->vel - focus->vel) : Length(vessel->vel), vessel == focus};
      if (line.focus) attron(A_BOLD);
      mvaddnstr(row, layout.vesselsLeft, VesselLine(line, width).c_str(), width);
      if (line.focus) attroff(A_BOLD);
    }
    if (window.more) mvaddnstr(row, layout.vesselsLeft, MoreVesselsLine(count - window.shown, width).c_str(), width);
  }

  void DrawStatus(const PlayLayout &layout, int columns) {
    PlayStatus status;
    status.scenario = scenarioName;
    status.time = simulation.Time();
    status.acceleration = acceleration.Label();
    status.paused = paused;
    const std::optional<double> actual = rate.Rate();
    if (!paused && actual && *actual < shortfall * acceleration.Factor()) status.actualFactor = actual;
    if (!note.empty() && Seconds(Clock::now() - noteTime) < noteLifetime) status.note = note;
    // The question stays until it is answered.
    if (!doomed.empty()) status.note = DeletionQuestion(doomed);
    attron(A_REVERSE);
    mvaddnstr(layout.statusRow, 0, StatusLine(status, columns, layout.helpRow < 0).c_str(), columns);
    attroff(A_REVERSE);
    if (layout.helpRow < 0) return;
    attron(A_DIM);
    mvaddnstr(layout.helpRow, 0, HelpLine(columns).c_str(), columns);
    attroff(A_DIM);
  }

  Simulation &simulation;
  ReplayRecorder &replay;
  Terminal &terminal;
  std::string scenarioName;
  std::vector<std::string> loadWarnings;
  bool showStart = false;  // the description and warnings, until the first key
  bool showKeys = false;   // the page of every key, until the next key
  TimeAcceleration acceleration;
  Pacer pacer;
  RateMeter rate;
  const Clock::time_point begin = Clock::now();
  Clock::time_point lastTick;
  bool paused = false;
  bool quit = false;
  std::string doomed;  // the vessel the Delete key asks about, until the next key answers
  std::vector<DWORD> typed;  // the display's keys typed since the last frame, for the next
  std::string note;
  Clock::time_point noteTime;
};

// Answers to the save prompt. Keys typed before the terminal left curses mode (q and the answer
// in one burst) come first: curses mode took them without echo and without turning Enter into a
// line end, so they are replayed here.
class AnswerReader {
public:
  explicit AnswerReader(std::string typed) : pending(std::move(typed)) {}

  // One line; false at the end of input or when a signal interrupted the wait.
  bool Line(std::string &line) {
    const size_t end = pending.find_first_of("\r\n");
    if (end != std::string::npos) {
      line = pending.substr(0, end);
      pending.erase(0, end + 1);
      std::printf("%s\n", line.c_str());
      return true;
    }
    std::printf("%s", pending.c_str());
    std::fflush(stdout);
    std::string rest;
    if (!std::getline(std::cin, rest)) {
      std::cin.clear();
      return false;
    }
    line = pending + rest;
    pending.clear();
    return true;
  }

private:
  std::string pending;
};

bool SameFile(const std::string &a, const std::string &b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

// Asks "<question> <default>? [...]" until the answer is clear: the path to write (the default, a
// typed file name ending in `extension`, or the default's name in a folder), or nothing when the
// user declines or the input ends (then `declined` is printed). An existing file, the loaded
// scenario above all, is only chosen when the user says to replace it.
std::optional<std::string> AskPath(const std::string &question, const std::string &defaultPath,
                                   const std::string &extension, const std::string &scenarioPath,
                                   const std::string &declined, AnswerReader &answers) {
  for (;;) {
    std::printf("%s %s? [Enter: yes, n: no, or a %s path] ", question.c_str(), defaultPath.c_str(), extension.c_str());
    std::fflush(stdout);
    std::string answer;
    if (!answers.Line(answer)) {
      std::printf("\n%s\n", declined.c_str());
      return std::nullopt;
    }
    SaveChoice choice = ReadSaveAnswer(answer, defaultPath, extension);
    std::error_code error;
    if (choice.kind == SaveChoice::Kind::Unclear && std::filesystem::is_directory(choice.path, error))
      choice = {SaveChoice::Kind::Path, InFolder(choice.path, defaultPath)};
    if (choice.kind == SaveChoice::Kind::Decline) {
      std::printf("%s\n", declined.c_str());
      return std::nullopt;
    }
    if (choice.kind == SaveChoice::Kind::Unclear) {
      std::printf("'%s' is neither y nor n nor a %s path.\n", choice.path.c_str(), extension.c_str());
      continue;
    }
    if (std::filesystem::is_directory(choice.path, error)) {
      std::printf("%s is a folder.\n", choice.path.c_str());
      continue;
    }
    if (!std::filesystem::exists(choice.path, error)) return choice.path;
    const bool loaded = SameFile(choice.path, scenarioPath);
    std::printf("%s %s. Replace it? [y/N] ", choice.path.c_str(),
                loaded ? "is the scenario this run started from" : "exists");
    std::fflush(stdout);
    std::string confirm;
    if (!answers.Line(confirm)) {
      std::printf("\n%s\n", declined.c_str());
      return std::nullopt;
    }
    if (confirm == "y" || confirm == "Y" || confirm == "yes") return choice.path;
  }
}

// Asks where to save the run's scenario, and saves it.
void OfferSave(Simulation &simulation, const std::string &scenarioPath, AnswerReader &answers) {
  const std::string defaultPath = DefaultSavePath(scenarioPath);
  for (;;) {
    const std::optional<std::string> path =
        AskPath("Save scenario to", defaultPath, ".scn", scenarioPath, "Not saved.", answers);
    if (!path) return;
    try {
      simulation.Save(*path);
      std::printf("Saved %s\n", path->c_str());
      return;
    } catch (const std::exception &e) {
      std::printf("Cannot save: %s\n", e.what());
    }
  }
}

// Seconds of the session between the replay's samples, until a long session is thinned.
constexpr double replayEvery = 0.1;

// Offers to write the session as a replay page, and writes it.
void OfferReplay(Simulation &simulation, ReplayRecorder &replay, const std::string &scenarioPath,
                 AnswerReader &answers) {
  if (ReplayPageTemplate().empty()) return;
  replay.Finish(simulation);
  const std::string defaultPath = DefaultReplayPath(scenarioPath);
  for (;;) {
    const std::optional<std::string> path =
        AskPath("Write a replay to", defaultPath, ".html", scenarioPath, "No replay written.", answers);
    if (!path) return;
    std::string reason;
    const std::string title = std::filesystem::path(scenarioPath).filename().string();
    if (WriteReplayPage(*path, replay, title, reason)) {
      std::printf("Wrote %s: open it in a browser.\n", path->c_str());
      if (replay.Every() > replayEvery)
        std::printf("It is sampled every %s s, to hold the session in %zu MB.\n", FormatSeconds(replay.Every()).c_str(),
                    ReplayRecorder::defaultMaxBytes >> 20);
      return;
    }
    std::printf("Cannot write the replay: %s\n", reason.c_str());
  }
}

// Saves to the default path, replacing what is there, when the scenario differs from `loaded`.
void SaveUnasked(Simulation &simulation, const std::string &scenarioPath, const std::string &loaded) {
  const Scenario now = simulation.Capture();
  if (FormatScenario(now) == loaded) return;
  const std::string path = DefaultSavePath(scenarioPath);
  try {
    SaveScenarioFile(path, now);
    std::printf("Saved %s\n", path.c_str());
  } catch (const std::exception &e) {
    Say(std::string("cannot save: ") + e.what());
  }
}

}  // namespace

int Play(const PlayArguments &args) {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    return Fail(exitBadArguments, "play needs a terminal (use run for scripts)");
  }
  Simulation::Options options{args.scenario, args.plugin.empty() ? DefaultPluginPath() : args.plugin, args.step};
  options.hostDir = args.hostDir;
  std::unique_ptr<Simulation> simulation;
  try {
    simulation = std::make_unique<Simulation>(options);
  } catch (const std::exception &e) {
    return Fail(exitBadArguments, e.what());
  }

  // Printed before the terminal is taken, so that they stand above the prompts after the session,
  // and shown with the description.
  const std::vector<std::string> warnings = LoadWarnings(simulation->Loaded(), plugin::modeName);
  for (const std::string &warning : warnings) Say("warning: " + warning);

  RunSignals signals(RunSignals::Kind::Session);
  // What a save would write now; a terminated run saves only when its scenario has changed.
  const std::string loaded = FormatScenario(simulation->Capture());
  std::string typedAhead;
  // The session is recorded for a replay page as it goes; a long one is thinned to a bounded size.
  ReplayRecorder replay(replayEvery, ReplayRecorder::defaultMaxBytes);
  replay.Start(*simulation);
  try {
    Terminal terminal;
    PlayScreen screen(*simulation, replay, terminal, args.scenario, warnings);
    screen.Loop();
    typedAhead = TypedAhead();
  } catch (const TerminalError &e) {
    return Fail(exitBadArguments, e.what());
  } catch (const std::exception &e) {
    return Fail(exitFailure, e.what());
  }
  const int signal = RunSignals::Received();
  // A terminated or hung-up run leaves at once, without asking, but keeps a changed scenario;
  // Ctrl-C is a way to quit like q.
  if (signal == SIGTERM || signal == SIGHUP) {
    SaveUnasked(*simulation, args.scenario, loaded);
    return 128 + signal;
  }
  RunSignals::Forget();
  AnswerReader answers(typedAhead);
  OfferSave(*simulation, args.scenario, answers);
  OfferReplay(*simulation, replay, args.scenario, answers);
  return signal == SIGINT ? 128 + SIGINT : 0;
}

}  // namespace sim
