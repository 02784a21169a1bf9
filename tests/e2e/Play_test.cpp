// kestrane-sim play in a real terminal: a tmux server of the test's own, with one pane of a fixed
// size, runs the built program; the test types into the pane and reads its text.
#include <gtest/gtest.h>

#ifndef _WIN32

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/Files.h"

namespace {

using support::FileText;

// How long the program may take to show what a step waits for.
constexpr std::chrono::seconds patience{15};

std::string Quoted(const std::string &text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Output(const std::string &command) {
  std::string text;
  if (FILE *pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    pclose(pipe);
  }
  return text;
}

bool Exists(const std::string &path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// A fresh directory holding a copy of a test scenario, so that saves land beside the copy.
std::string ScenarioCopy(const std::string &dir, const std::string &name, const std::string &as) {
  std::system(("rm -rf " + Quoted(dir) + " && mkdir -p " + Quoted(dir)).c_str());
  std::ofstream(dir + "/" + as, std::ios::binary) << FileText(std::string(KESTRANE_TEST_SCENARIOS) + "/" + name);
  return dir;
}

// Whether this build writes replay pages: then `play` offers one after the save prompt.
#ifdef KESTRANE_HAVE_REPLAY_PAGE
constexpr bool offersReplay = true;
#else
constexpr bool offersReplay = false;
#endif

// One tmux server with one pane running `kestrane-sim play` from a shell that prints the exit
// status when it ends and then keeps the pane's terminal open, so that no output is lost with it
// and the last text can be read. The shell ignores Ctrl-C itself, so that only the program
// answers it.
class PlayPane {
public:
  PlayPane(const std::string &dir, const std::string &scenario, int columns, int rows)
      : socket("kestrane-play-" + std::to_string(getpid()) + "-" + std::to_string(++count)),
        config(dir + "/tmux.conf") {
    // A plain terminal type every machine knows; no status bar, so the pane is the whole window.
    std::ofstream(config) << "set -g default-terminal screen\nset -g status off\n";
    Tmux("new -d -x " + std::to_string(columns) + " -y " + std::to_string(rows) + " -c " + Quoted(dir) + " -- " +
         "sh -c " + Quoted("trap '' INT; \"$0\" \"$@\"; echo \"[exit $?]\"; exec sleep 600") + " " +
         Quoted(KESTRANE_SIM) + " play " + Quoted(scenario) + " --plugin " + Quoted(KESTRANE_MODULE));
    socketPath = Format("#{socket_path}");
  }
  // The server leaves its socket file behind when killed.
  ~PlayPane() {
    Tmux("kill-server");
    if (!socketPath.empty()) unlink(socketPath.c_str());
  }
  PlayPane(const PlayPane &) = delete;
  PlayPane &operator=(const PlayPane &) = delete;

  std::string Text() { return Tmux("capture-pane -p"); }
  // A tmux format evaluated for the pane, such as "#{pane_dead}".
  std::string Format(const std::string &format) {
    std::string value = Tmux("display -p " + Quoted(format));
    while (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
  }
  // Keys by tmux's names: "q", "Enter", "C-c".
  void Keys(const std::string &keys) { Tmux("send-keys " + keys); }
  // Characters typed as they are.
  void Type(const std::string &text) { Tmux("send-keys -l " + Quoted(text)); }
  void Resize(int columns, int rows) {
    Tmux("resize-window -x " + std::to_string(columns) + " -y " + std::to_string(rows));
  }

  bool WaitFor(const std::function<bool()> &ready) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!ready()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
  }
  bool WaitForText(const std::string &text) {
    return WaitFor([&] { return Text().find(text) != std::string::npos; });
  }
  bool WaitForExit() { return WaitForText("[exit "); }
  // Answers the replay prompt with `answer` (tmux key names), when the build offers one.
  bool AnswerReplay(const std::string &answer, const std::string &path = "tug-replay.html") {
    if (!offersReplay) return true;
    if (!WaitForText("Write a replay to " + path + "? ")) return false;
    Keys(answer);
    return true;
  }
  // The simulated time on the status line, s; −1 when none shows.
  double SimulatedTime() {
    const std::string text = Text();
    const size_t at = text.find(" t = ");
    return at == std::string::npos ? -1.0 : std::atof(text.c_str() + at + 5);
  }
  int ExitStatus() {
    const std::string text = Text();
    const size_t at = text.find("[exit ");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 6);
  }
  // The program's process: the one child of the pane's shell.
  pid_t Pid() {
    const std::string shell = Format("#{pane_pid}");
    return static_cast<pid_t>(std::atol(FileText("/proc/" + shell + "/task/" + shell + "/children").c_str()));
  }

private:
  std::string Tmux(const std::string &args) {
    return Output("env -u TMUX tmux -L " + socket + " -f " + Quoted(config) + " " + args + " 2>&1");
  }

  static inline int count = 0;
  std::string socket;
  std::string config;
  std::string socketPath;
};

class PlayTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (std::system("tmux -V > /dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  }

  // The tug and the pod 1500 m apart: choose the pod, take the distance as the length, connect.
  static void ConnectTugToPod(PlayPane &pane) {
    ASSERT_TRUE(pane.WaitForText("Status  : Not connected")) << pane.Text();
    pane.Type("-");
    ASSERT_TRUE(pane.WaitForText("Target Ship : Pod at CoG")) << pane.Text();
    pane.Type("a");
    ASSERT_TRUE(pane.WaitForText("Length      : 1500.0 m")) << pane.Text();
    pane.Type("j");
    ASSERT_TRUE(pane.WaitForText("Status  : Connected")) << pane.Text();
    // The plug-in saves its tethers as of its last frame: let frames run after the connect.
    const double connected = pane.SimulatedTime();
    ASSERT_TRUE(pane.WaitFor([&] { return pane.SimulatedTime() >= connected + 0.2; })) << pane.Text();
  }
};

TEST_F(PlayTest, KeysReachTheDisplayAndQuittingRestoresTheTerminal) {
  const std::string dir = ScenarioCopy("play_keys", "tug.scn", "tug.scn");
  PlayPane pane(dir, "tug.scn", 100, 40);
  ConnectTugToPod(pane);
  const std::string screen = pane.Text();
  EXPECT_NE(screen.find("ShipTwo  : Pod"), std::string::npos) << screen;
  // The vessel list beside the display, and the status line.
  EXPECT_NE(screen.find("> Tug"), std::string::npos) << screen;
  EXPECT_NE(screen.find("  Pod "), std::string::npos) << screen;
  EXPECT_NE(screen.find(" tug.scn   t = "), std::string::npos) << screen;
  // q is not a display key: the status line names the last key the display got.
  EXPECT_NE(screen.find("key J"), std::string::npos) << screen;

  pane.Keys("q");
  ASSERT_TRUE(pane.WaitForText("Save scenario to tug-saved.scn? ")) << pane.Text();
  // Back on the normal screen with the cursor shown: the display is gone from the pane.
  EXPECT_EQ(pane.Format("#{alternate_on} #{cursor_flag}"), "0 1");
  EXPECT_EQ(pane.Text().find("Status  :"), std::string::npos) << pane.Text();
  pane.Type("n");
  pane.Keys("Enter");
  ASSERT_TRUE(pane.AnswerReplay("n Enter")) << pane.Text();
  ASSERT_TRUE(pane.WaitForExit()) << pane.Text();
  EXPECT_EQ(pane.ExitStatus(), 0);
  EXPECT_NE(pane.Text().find("Not saved."), std::string::npos) << pane.Text();
  EXPECT_FALSE(Exists(dir + "/tug-saved.scn"));
  EXPECT_FALSE(Exists(dir + "/tug-replay.html"));
}

TEST_F(PlayTest, AtTheSmallestSizeTheDescriptionShowsUntilTheFirstKeyThenTheLegendAndEveryKeyOnAPage) {
  // The scenario in a folder of examples: saves go to the working folder, not among them.
  const std::string dir = ScenarioCopy("play_teach", "tug.scn", "tug.scn");
  std::system(("mkdir -p " + Quoted(dir + "/examples") + " && mv " + Quoted(dir + "/tug.scn") + " " +
               Quoted(dir + "/examples/"))
                  .c_str());
  PlayPane pane(dir, "examples/tug.scn", 80, 24);
  ASSERT_TRUE(pane.WaitForText("Status  : Not connected")) << pane.Text();
  std::string screen = pane.Text();
  // Beside the display: the list (distance and speed relative to the focus vessel), then the
  // scenario's description.
  for (const char *row : {"  Vessel        Distance    Rel. speed", "> Tug                  -             -",
                          "  Pod           1500.0 m      0.00 m/s", "About tug.scn",
                          "A tug and a cargo pod 1500 m apart, at", "rest, nothing tied.", "? keys  q quit"})
    EXPECT_NE(screen.find(row), std::string::npos) << row << "\n" << screen;
  EXPECT_EQ(screen.find("Display keys"), std::string::npos) << screen;

  // The first key does its work, and the legend takes the description's place.
  pane.Type("-");
  ASSERT_TRUE(pane.WaitForText("Target Ship : Pod at CoG")) << pane.Text();
  ASSERT_TRUE(pane.WaitForText("Display keys        ? or h: every key")) << pane.Text();
  screen = pane.Text();
  for (const char *row : {"- =   target vessel next / previous", "a     length = distance to target",
                          "j     connect        u  disconnect", "i o   reel in / out (again: faster)",
                          "7 8   next dock port: own / target"})
    EXPECT_NE(screen.find(row), std::string::npos) << row << "\n" << screen;
  EXPECT_EQ(screen.find("About tug.scn"), std::string::npos) << screen;

  // ? shows every key; the next key only takes the page away.
  pane.Type("?");
  ASSERT_TRUE(pane.WaitForText("Every key (any key returns)")) << pane.Text();
  EXPECT_NE(pane.Text().find("  j   connect the current tether"), std::string::npos) << pane.Text();
  pane.Type("j");
  ASSERT_TRUE(pane.WaitFor([&] {
    const std::string text = pane.Text();
    return text.find("Every key") == std::string::npos && text.find("Display keys        ?") != std::string::npos;
  })) << pane.Text();
  EXPECT_NE(pane.Text().find("Status  : Not connected"), std::string::npos) << pane.Text();

  // The button menu, whole at 80 x 24, names each button's key as it is typed here.
  pane.Type("`");
  ASSERT_TRUE(pane.WaitForText("MFD MENU")) << pane.Text();
  screen = pane.Text();
  for (const char *key : {"[j]", "[-]", "[a]", "[l]"})
    EXPECT_NE(screen.find(key), std::string::npos) << key << "\n" << screen;
  EXPECT_EQ(screen.find("Shift-"), std::string::npos) << screen;

  // A slip of the finger at the save prompt saves nothing, and asks again.
  pane.Keys("q");
  ASSERT_TRUE(pane.WaitForText("Save scenario to tug-saved.scn? [Enter: yes, n: no, or a .scn path]")) << pane.Text();
  pane.Type("nn");
  pane.Keys("Enter");
  ASSERT_TRUE(pane.WaitForText("'nn' is neither y nor n nor a .scn path.")) << pane.Text();
  pane.Keys("Enter");
  ASSERT_TRUE(pane.AnswerReplay("n Enter")) << pane.Text();
  ASSERT_TRUE(pane.WaitForExit()) << pane.Text();
  EXPECT_EQ(pane.ExitStatus(), 0);
  EXPECT_NE(pane.Text().find("Saved tug-saved.scn"), std::string::npos) << pane.Text();
  EXPECT_TRUE(Exists(dir + "/tug-saved.scn"));
  EXPECT_FALSE(Exists(dir + "/nn"));
  EXPECT_FALSE(Exists(dir + "/examples/tug-saved.scn"));
}

TEST_F(PlayTest, CtrlCLeavesLikeQuitAndTheSavedScenarioHoldsTheTether) {
  const std::string dir = ScenarioCopy("play_interrupt", "tug.scn", "tug.scn");
  PlayPane pane(dir, "tug.scn", 100, 40);
  ConnectTugToPod(pane);

  pane.Keys("C-c");
  ASSERT_TRUE(pane.WaitForText("Save scenario to tug-saved.scn? ")) << pane.Text();
  EXPECT_EQ(pane.Format("#{alternate_on}"), "0");
  pane.Keys("Enter");
  // The session's replay page beside the scenario.
  ASSERT_TRUE(pane.AnswerReplay("Enter")) << pane.Text();
  ASSERT_TRUE(pane.WaitForExit()) << pane.Text();
  EXPECT_EQ(pane.ExitStatus(), 128 + SIGINT);
  EXPECT_NE(pane.Text().find("Saved tug-saved.scn"), std::string::npos) << pane.Text();
  if (offersReplay) {
    EXPECT_NE(pane.Text().find("Wrote tug-replay.html: open it in a browser."), std::string::npos) << pane.Text();
    EXPECT_NE(FileText(dir + "/tug-replay.html").find("<script id=\"replay-data\""), std::string::npos);
  }

  const std::string saved = FileText(dir + "/tug-saved.scn");
  EXPECT_NE(saved.find("  TetherData 0 CONNECT 1\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("  TetherData 0 Ship2 Pod\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("  TetherData 0 Length 1500\n"), std::string::npos) << saved;
  EXPECT_EQ(FileText(dir + "/tug.scn"), FileText(std::string(KESTRANE_TEST_SCENARIOS) + "/tug.scn"));
}

TEST_F(PlayTest, DeleteAsksFirstThenTheFocusVesselGoesAndTheFocusMovesOn) {
  const std::string dir = ScenarioCopy("play_delete", "tug.scn", "tug.scn");
  PlayPane pane(dir, "tug.scn", 100, 40);
  ConnectTugToPod(pane);

  // Any answer but y keeps the vessel.
  pane.Keys("DC");
  ASSERT_TRUE(pane.WaitForText("delete Tug? y/N")) << pane.Text();
  pane.Type("n");
  ASSERT_TRUE(pane.WaitForText("kept Tug")) << pane.Text();
  EXPECT_NE(pane.Text().find("> Tug"), std::string::npos) << pane.Text();

  // The tethered tug goes; the pod takes the focus and the display follows it at once.
  pane.Keys("DC");
  ASSERT_TRUE(pane.WaitForText("delete Tug? y/N")) << pane.Text();
  pane.Type("y");
  ASSERT_TRUE(pane.WaitForText("deleted Tug, focus: Pod")) << pane.Text();
  ASSERT_TRUE(pane.WaitForText("This Ship   : Pod at CoG")) << pane.Text();
  std::string screen = pane.Text();
  EXPECT_NE(screen.find("> Pod"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("  Tug "), std::string::npos) << screen;
  // The frames run on without the tug.
  const double after = pane.SimulatedTime();
  ASSERT_TRUE(pane.WaitFor([&] { return pane.SimulatedTime() >= after + 0.5; })) << pane.Text();

  // The host keeps one vessel to hold the focus.
  pane.Keys("DC");
  ASSERT_TRUE(pane.WaitForText("the last vessel stays")) << pane.Text();
  EXPECT_NE(pane.Text().find("> Pod"), std::string::npos) << pane.Text();

  pane.Keys("q");
  ASSERT_TRUE(pane.WaitForText("Save scenario to tug-saved.scn? ")) << pane.Text();
  pane.Keys("Enter");
  ASSERT_TRUE(pane.AnswerReplay("n Enter")) << pane.Text();
  ASSERT_TRUE(pane.WaitForExit()) << pane.Text();
  EXPECT_EQ(pane.ExitStatus(), 0);
  const std::string saved = FileText(dir + "/tug-saved.scn");
  EXPECT_NE(saved.find("BEGIN_FOCUS\n  Ship Pod\nEND_FOCUS\n"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("Tug:"), std::string::npos) << saved;
}

TEST_F(PlayTest, TheLoadedScenarioIsReplacedOnlyWhenTheUserSaysSo) {
  // A scenario saved before saves to itself by default.
  const std::string dir = ScenarioCopy("play_replace", "tug.scn", "tug-saved.scn");
  const std::string original = FileText(dir + "/tug-saved.scn");
  PlayPane pane(dir, "tug-saved.scn", 100, 40);
  ConnectTugToPod(pane);

  pane.Keys("q");
  ASSERT_TRUE(pane.WaitForText("Save scenario to tug-saved.scn? ")) << pane.Text();
  pane.Keys("Enter");
  ASSERT_TRUE(pane.WaitForText("tug-saved.scn is the scenario this run started from. Replace it? [y/N]"))
      << pane.Text();
  pane.Keys("Enter");
  // Declining the replacement asks again; the file stays as it was.
  ASSERT_TRUE(pane.WaitFor([&] {
    const std::string text = pane.Text();
    return text.find("Save scenario to") != text.rfind("Save scenario to");
  })) << pane.Text();
  EXPECT_EQ(FileText(dir + "/tug-saved.scn"), original);
  pane.Type("elsewhere.scn");
  pane.Keys("Enter");
  ASSERT_TRUE(pane.AnswerReplay("n Enter", "tug-saved-replay.html")) << pane.Text();
  ASSERT_TRUE(pane.WaitForExit()) << pane.Text();
  EXPECT_EQ(pane.ExitStatus(), 0);
  EXPECT_EQ(FileText(dir + "/tug-saved.scn"), original);
  EXPECT_NE(FileText(dir + "/elsewhere.scn").find("  TetherData 0 CONNECT 1\n"), std::string::npos);
}

TEST_F(PlayTest, ATooSmallTerminalSaysWhatItNeedsUntilResizedAndTerminationRestoresIt) {
  const std::string dir = ScenarioCopy("play_small", "tug.scn", "tug.scn");
  PlayPane pane(dir, "tug.scn", 50, 20);
  // The message, wrapped to the terminal's width.
  ASSERT_TRUE(pane.WaitForText("Terminal too small (50x20): make it 27 rows tall,")) << pane.Text();
  EXPECT_NE(pane.Text().find("or enlarge it to 79 columns by 24 rows"), std::string::npos) << pane.Text();
  pane.Resize(100, 40);
  ASSERT_TRUE(pane.WaitForText("Status  : Not connected")) << pane.Text();
  EXPECT_EQ(pane.Text().find("Terminal too small"), std::string::npos) << pane.Text();
  // Wide enough for the buttons' labels beside the display: the first of each side.
  EXPECT_NE(pane.Text().find("CON "), std::string::npos) << pane.Text();
  EXPECT_NE(pane.Text().find(" TG+"), std::string::npos) << pane.Text();

  // Terminated: the terminal is restored and the program leaves without asking, saving the
  // scenario, which the frames have moved on.
  ASSERT_TRUE(pane.WaitFor([&] { return pane.SimulatedTime() > 0; })) << pane.Text();
  const pid_t program = pane.Pid();
  ASSERT_GT(program, 0);
  ASSERT_EQ(kill(program, SIGTERM), 0);
  ASSERT_TRUE(pane.WaitForExit()) << pane.Text();
  EXPECT_EQ(pane.ExitStatus(), 128 + SIGTERM);
  EXPECT_EQ(pane.Format("#{alternate_on}"), "0");
  EXPECT_EQ(pane.Text().find("Save scenario"), std::string::npos) << pane.Text();
  EXPECT_NE(pane.Text().find("Saved tug-saved.scn"), std::string::npos) << pane.Text();
  EXPECT_NE(FileText(dir + "/tug-saved.scn").find("\n  SIMTIME "), std::string::npos);
}

TEST_F(PlayTest, AHangUpSavesTheChangedScenarioWithoutAskingOverAnEarlierSave) {
  const std::string dir = ScenarioCopy("play_hangup", "tug.scn", "tug.scn");
  std::ofstream(dir + "/tug-saved.scn") << "an earlier save";
  PlayPane pane(dir, "tug.scn", 100, 40);
  ConnectTugToPod(pane);

  const pid_t program = pane.Pid();
  ASSERT_GT(program, 0);
  ASSERT_EQ(kill(program, SIGHUP), 0);
  ASSERT_TRUE(pane.WaitForExit()) << pane.Text();
  EXPECT_EQ(pane.ExitStatus(), 128 + SIGHUP);
  EXPECT_EQ(pane.Text().find("Save scenario"), std::string::npos) << pane.Text();
  const std::string saved = FileText(dir + "/tug-saved.scn");
  EXPECT_NE(saved.find("  TetherData 0 Ship2 Pod\n"), std::string::npos) << saved;
  EXPECT_EQ(FileText(dir + "/tug.scn"), FileText(std::string(KESTRANE_TEST_SCENARIOS) + "/tug.scn"));
}

}  // namespace

#endif
