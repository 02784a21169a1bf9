#include "sim/display/DisplayHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/MFDAPI.h"

namespace {

using sim::DisplayHost;

struct Message {
  UINT msg;
  UINT mfd;
  WPARAM wparam;
  LPARAM lparam;
  DWORD openW = 0, openH = 0;  // from the open record of OAPI_MSG_MFD_OPENEDEX
  std::string openName = "";   // the mode's record in it
  void *openContext = nullptr;
};

// What the displays and the message procedure saw, shared with the test.
struct Journal {
  std::vector<Message> messages;
  std::vector<std::string> events;
  bool answerOpenedEx = false;  // create the display on OAPI_MSG_MFD_OPENEDEX already
  bool refuse = false;          // create no display at all
  int buttons = 0;              // buttons, and entries of the button menu, of the displays made
};
Journal *journal = nullptr;

class ProbeDisplay : public MFD {
public:
  ProbeDisplay(DWORD w, DWORD h, VESSEL *vessel) : MFD(w, h, vessel), cellWidthAtConstruction(cw) {
    journal->events.push_back("construct");
  }
  ~ProbeDisplay() override { journal->events.push_back("destroy"); }

  void Update(HDC hDC) override {
    ++updates;
    journal->events.push_back("update");
    Title(hDC, "Probe");
    SetTextAlign(hDC, TA_UPDATECP);
    MoveToEx(hDC, static_cast<int>(cw / 2), static_cast<int>(ch), nullptr);
    const std::string line = "updates " + std::to_string(updates);
    TextOutA(hDC, 0, 0, line.c_str(), lstrlenA(line.c_str()));
  }

  // Key 1 asks for a redraw, key 2 is consumed silently, any other key is not consumed.
  bool ConsumeKeyBuffered(DWORD key) override {
    journal->events.push_back("key " + std::to_string(key) + " after " + std::to_string(updates) + " updates");
    if (key == 1) {
      InvalidateDisplay();
    }
    return key == 1 || key == 2;
  }

  // Button n is labelled "Bn" and listed as "Entry n", odd ones with a second line; even ones ask
  // for a redraw when clicked.
  char *ButtonLabel(int bt) override {
    if (bt < 0 || bt >= journal->buttons) return nullptr;
    labels[bt % 16] = "B" + std::to_string(bt);
    return labels[bt % 16].data();
  }
  int ButtonMenu(const MFDBUTTONMENU **menu) const override {
    static std::vector<std::string> lines;
    static std::vector<MFDBUTTONMENU> entries;
    lines.clear();
    entries.clear();
    for (int n = 0; n < journal->buttons; ++n) lines.push_back("Entry " + std::to_string(n));
    for (int n = 0; n < journal->buttons; ++n)
      entries.push_back({lines[n].c_str(), n % 2 == 1 ? "more" : nullptr, static_cast<char>('A' + n)});
    if (menu != nullptr) *menu = entries.data();
    return journal->buttons;
  }
  bool ConsumeButton(int bt, int event) override {
    journal->events.push_back("button " + std::to_string(bt) + " event " + std::to_string(event));
    if (bt % 2 == 0) InvalidateDisplay();
    return bt < journal->buttons;
  }

  void WriteStatus(FILEHANDLE scn) const override { written = scn; }
  void ReadStatus(FILEHANDLE scn) override { read = scn; }

  DWORD Width() const { return W; }
  DWORD Height() const { return H; }
  DWORD CellWidth() const { return cw; }
  DWORD CellHeight() const { return ch; }
  VESSEL *Vessel() const { return pV; }

  const DWORD cellWidthAtConstruction;
  int updates = 0;
  mutable FILEHANDLE written = nullptr;
  FILEHANDLE read = nullptr;
  std::string labels[16];
};

OAPI_MSGTYPE ProbeProc(UINT msg, UINT mfd, WPARAM wparam, LPARAM lparam) {
  Message message{msg, mfd, wparam, lparam};
  if (msg == OAPI_MSG_MFD_OPENEDEX) {
    const auto *open = reinterpret_cast<const MFDMODEOPENSPEC *>(wparam);
    message.openW = open->w;
    message.openH = open->h;
    message.openName = open->spec->name;
    message.openContext = open->spec->context;
  }
  journal->messages.push_back(message);
  if (journal->refuse) {
    return 0;
  }
  auto *vessel = reinterpret_cast<VESSEL *>(lparam);
  if (msg == OAPI_MSG_MFD_OPENEDEX && journal->answerOpenedEx) {
    const auto *open = reinterpret_cast<const MFDMODEOPENSPEC *>(wparam);
    return reinterpret_cast<OAPI_MSGTYPE>(static_cast<MFD *>(new ProbeDisplay(open->w, open->h, vessel)));
  }
  if (msg == OAPI_MSG_MFD_OPENED) {
    return reinterpret_cast<OAPI_MSGTYPE>(static_cast<MFD *>(new ProbeDisplay(LOWORD(wparam), HIWORD(wparam), vessel)));
  }
  return 0;
}

// A stand-in vessel address: the host only passes it on.
VESSEL *const kVessel = reinterpret_cast<VESSEL *>(static_cast<uintptr_t>(0x5000));

class DisplayHostTest : public ::testing::Test {
protected:
  DisplayHostTest() { journal = &record; }
  ~DisplayHostTest() override {
    host.reset();
    journal = nullptr;
  }

  int RegisterProbe(const char *name = "Probe") {
    std::vector<char> text(name, name + std::strlen(name) + 1);
    MFDMODESPEC spec{text.data(), 20, ProbeProc};
    return oapiRegisterMFDMode(spec);
  }

  static ProbeDisplay &Probe(DisplayHost::Display *display) { return *static_cast<ProbeDisplay *>(display->Object()); }

  Journal record;
  std::unique_ptr<DisplayHost> host = std::make_unique<DisplayHost>();
};

TEST_F(DisplayHostTest, RegisteredModesOwnTheirNameAndAreFoundByExactName) {
  std::vector<char> name = {'P', 'r', 'o', 'b', 'e', '\0'};
  MFDMODESPEC spec{name.data(), 20, ProbeProc};
  const int first = oapiRegisterMFDMode(spec);
  const int second = oapiRegisterMFDMode(spec);
  std::strcpy(name.data(), "Gone");

  EXPECT_NE(first, second);
  ASSERT_EQ(host->ModeCount(), 2u);
  const DisplayHost::Mode *mode = host->FindMode("Probe");
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(mode->Id(), first);
  EXPECT_STREQ(mode->Spec().name, "Probe");
  EXPECT_EQ(mode->Key(), 20u);
  EXPECT_EQ(host->FindMode(second), &host->ModeAt(1));
  EXPECT_EQ(host->FindMode("probe"), nullptr);
  EXPECT_EQ(host->FindMode("Gone"), nullptr);

  MFDMODESPEC noProcedure{name.data(), 1, nullptr};
  EXPECT_EQ(oapiRegisterMFDMode(noProcedure), -1);
  host.reset();
  EXPECT_EQ(sim::CurrentDisplayHost(), nullptr);
  EXPECT_EQ(oapiRegisterMFDMode(spec), -1);
}

// The registration with a context hands the context back with OAPI_MSG_MFD_OPENEDEX; the older one
// opens the same display with none.
TEST_F(DisplayHostTest, EitherRegistrationOpensItsModeAndTheRecordCarriesTheContext) {
  int context = 0;
  std::vector<char> name = {'W', 'i', 't', 'h', '\0'};
  MFDMODESPECEX withContext{name.data(), 21, &context, ProbeProc};
  const int id = oapiRegisterMFDMode(withContext);
  RegisterProbe("Plain");
  std::strcpy(name.data(), "Gone");
  ASSERT_EQ(host->ModeCount(), 2u);
  EXPECT_EQ(host->FindMode(id)->Spec().context, &context);
  EXPECT_EQ(host->FindMode("Plain")->Spec().context, nullptr);

  for (const char *mode : {"With", "Plain"}) {
    record.messages.clear();
    std::string error;
    DisplayHost::Display *display = host->Open(mode, kVessel, &error);
    ASSERT_NE(display, nullptr) << error;
    ASSERT_EQ(record.messages.size(), 2u) << mode;
    EXPECT_EQ(record.messages[0].msg, static_cast<UINT>(OAPI_MSG_MFD_OPENEDEX));
    EXPECT_EQ(record.messages[0].openName, mode);
    EXPECT_EQ(record.messages[0].openContext, std::string(mode) == "With" ? &context : nullptr) << mode;
    EXPECT_EQ(record.messages[1].msg, static_cast<UINT>(OAPI_MSG_MFD_OPENED));
  }
}

TEST_F(DisplayHostTest, OpeningSendsOpenedExThenOpenedWithTheCellSizeSetAndTheFrameEndDrawsIt) {
  RegisterProbe();
  sim::DisplayGeometry geometry;
  geometry.width = 300;
  geometry.height = 280;
  std::string error;
  DisplayHost::Display *display = host->Open("Probe", kVessel, &error, geometry);
  ASSERT_NE(display, nullptr) << error;

  ASSERT_EQ(record.messages.size(), 2u);
  EXPECT_EQ(record.messages[0].msg, static_cast<UINT>(OAPI_MSG_MFD_OPENEDEX));
  EXPECT_EQ(record.messages[0].openW, 300u);
  EXPECT_EQ(record.messages[0].openH, 280u);
  EXPECT_EQ(record.messages[0].lparam, reinterpret_cast<LPARAM>(kVessel));
  EXPECT_EQ(record.messages[1].msg, static_cast<UINT>(OAPI_MSG_MFD_OPENED));
  EXPECT_EQ(record.messages[1].wparam, static_cast<WPARAM>(300 | (280 << 16)));
  EXPECT_EQ(record.messages[1].lparam, reinterpret_cast<LPARAM>(kVessel));
  EXPECT_EQ(record.messages[1].mfd, display->Index());

  ProbeDisplay &probe = Probe(display);
  EXPECT_EQ(probe.cellWidthAtConstruction, 0u);
  EXPECT_EQ(probe.Width(), 300u);
  EXPECT_EQ(probe.Height(), 280u);
  EXPECT_EQ(probe.Vessel(), kVessel);
  EXPECT_EQ(probe.CellWidth(), 10u);
  EXPECT_EQ(probe.CellHeight(), 16u);
  EXPECT_EQ(record.events, (std::vector<std::string>{"construct"}));
  host->EndFrame(0.02);
  EXPECT_EQ(record.events, (std::vector<std::string>{"construct", "update"}));
  EXPECT_EQ(display->Surface().Rows(), (std::vector<std::string>{"Probe", "updates 1"}));
  EXPECT_EQ(display->Surface().Width(), 300);
}

TEST_F(DisplayHostTest, ADisplayMadeOnOpenedExGetsNoOpenedMessage) {
  RegisterProbe();
  record.answerOpenedEx = true;
  ASSERT_NE(host->Open("Probe", kVessel), nullptr);
  ASSERT_EQ(record.messages.size(), 1u);
  EXPECT_EQ(record.messages[0].msg, static_cast<UINT>(OAPI_MSG_MFD_OPENEDEX));
}

TEST_F(DisplayHostTest, FailedOpensSayWhyAndLeaveNoDisplay) {
  const int id = RegisterProbe();
  std::string error;
  EXPECT_EQ(host->Open("Nothing", kVessel, &error), nullptr);
  EXPECT_NE(error.find("Nothing"), std::string::npos) << error;
  EXPECT_EQ(host->Open(id + 7, kVessel, &error), nullptr);

  record.refuse = true;
  error.clear();
  EXPECT_EQ(host->Open(id, kVessel, &error), nullptr);
  EXPECT_NE(error.find("created no display"), std::string::npos) << error;
  EXPECT_EQ(record.messages.size(), 2u);

  record.refuse = false;
  sim::DisplayGeometry tooWide;
  tooWide.width = 70000;
  EXPECT_EQ(host->Open(id, kVessel, &error, tooWide), nullptr) << "the size must fit the 16-bit halves";
  sim::DisplayGeometry noCells;
  noCells.cellHeight = 0;
  EXPECT_EQ(host->Open(id, kVessel, &error, noCells), nullptr);
  EXPECT_EQ(host->DisplayCount(), 0u);
  EXPECT_EQ(record.messages.size(), 2u);
}

// As the host runs a frame: every key first, each finding the display as it was last drawn, then
// one redraw at the frame's end when a key asked for it; otherwise every half second.
TEST_F(DisplayHostTest, KeysFindTheDisplayAsLastDrawnAndTheFrameEndRedrawsIt) {
  RegisterProbe();
  DisplayHost::Display *display = host->Open("Probe", kVessel);
  ASSERT_NE(display, nullptr);
  host->EndFrame(0.02);

  EXPECT_TRUE(host->PressKey(*display, 1));
  EXPECT_TRUE(display->RedrawPending());
  EXPECT_TRUE(host->PressKey(*display, 2));
  EXPECT_FALSE(host->PressKey(*display, 3));
  host->EndFrame(0.04);
  const std::vector<std::string> expected = {
      "construct", "update", "key 1 after 1 updates", "key 2 after 1 updates", "key 3 after 1 updates", "update"};
  EXPECT_EQ(record.events, expected);
  EXPECT_EQ(display->Surface().Row(1), "updates 2") << "the canvas is cleared before each redraw";
  EXPECT_EQ(display->Surface().Runs().size(), 2u);

  host->EndFrame(0.52);
  EXPECT_EQ(display->RedrawCount(), 2);
  host->EndFrame(0.54);
  EXPECT_EQ(display->RedrawCount(), 3);
  host->EndFrame(1.02);
  EXPECT_EQ(display->RedrawCount(), 3);
}

TEST_F(DisplayHostTest, OnlyDisplaysThatAskedAreRedrawnOnRequest) {
  RegisterProbe();
  DisplayHost::Display *a = host->Open("Probe", kVessel);
  DisplayHost::Display *b = host->Open("Probe", kVessel);
  Probe(b).InvalidateDisplay();
  host->RedrawRequested();
  EXPECT_EQ(a->RedrawCount(), 0);
  EXPECT_EQ(b->RedrawCount(), 1);
  host->RedrawRequested();
  EXPECT_EQ(b->RedrawCount(), 1);
  host->RedrawAll();
  EXPECT_EQ(a->RedrawCount(), 1);
  EXPECT_EQ(b->RedrawCount(), 2);
}

TEST_F(DisplayHostTest, ClosingTellsTheModeThenDeletesThroughTheBase) {
  RegisterProbe();
  DisplayHost::Display *first = host->Open("Probe", kVessel);
  DisplayHost::Display *second = host->Open("Probe", kVessel);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->Index(), 0u);
  EXPECT_EQ(second->Index(), 1u);
  record.events.clear();
  record.messages.clear();

  ASSERT_TRUE(host->Close(first));
  ASSERT_EQ(record.messages.size(), 1u);
  EXPECT_EQ(record.messages[0].msg, static_cast<UINT>(OAPI_MSG_MFD_CLOSED));
  EXPECT_EQ(record.messages[0].mfd, 0u);
  EXPECT_EQ(record.events, (std::vector<std::string>{"destroy"}));
  EXPECT_FALSE(host->Close(first));
  EXPECT_EQ(host->DisplayCount(), 1u);

  DisplayHost::Display *third = host->Open("Probe", kVessel);
  EXPECT_EQ(third->Index(), 0u) << "a closed display's number is free again";

  record.events.clear();
  host.reset();
  EXPECT_EQ(record.events, (std::vector<std::string>{"destroy", "destroy"}));
}

TEST_F(DisplayHostTest, UnregisteringAModeClosesItsDisplays) {
  const int id = RegisterProbe();
  host->Open(id, kVessel);
  EXPECT_TRUE(host->UnregisterMode(id));
  EXPECT_EQ(host->DisplayCount(), 0u);
  EXPECT_EQ(host->ModeCount(), 0u);
  EXPECT_FALSE(host->UnregisterMode(id));
}

TEST_F(DisplayHostTest, StatusCallsReachTheDisplayWithTheHandle) {
  RegisterProbe();
  DisplayHost::Display *display = host->Open("Probe", kVessel);
  int scenario = 0;
  host->WriteStatus(*display, &scenario);
  host->ReadStatus(*display, &scenario);
  EXPECT_EQ(Probe(display).written, &scenario);
  EXPECT_EQ(Probe(display).read, &scenario);
}

// As the real host keeps them: the display numbers its buttons across pages of twelve, and the
// host shows one page at a time, turned by F2 when the menu has more than a page of entries. The
// host's keys never reach the display; a button key clicks a button of the page shown.
TEST_F(DisplayHostTest, ButtonsAreNumberedAcrossThePagesTheHostTurns) {
  record.buttons = 14;
  RegisterProbe();
  DisplayHost::Display *display = host->Open("Probe", kVessel);
  ASSERT_NE(display, nullptr);
  auto labels = [&] {
    std::string all;
    for (int button = 0; button < 12; ++button) all += host->ButtonLabel(*display, button) + ",";
    return all;
  };
  EXPECT_EQ(labels(), "B0,B1,B2,B3,B4,B5,B6,B7,B8,B9,B10,B11,");
  EXPECT_EQ(host->ButtonLabel(*display, 12), "") << "beyond the page";
  ASSERT_EQ(host->ButtonMenu(*display).size(), 14u);
  EXPECT_EQ(host->ButtonMenu(*display)[13].line1, "Entry 13");
  EXPECT_EQ(host->ButtonMenu(*display)[13].line2, "more");
  EXPECT_EQ(host->ButtonMenu(*display)[12].line2, "");
  EXPECT_EQ(host->ButtonMenu(*display)[13].key, 'N');

  record.events.clear();
  EXPECT_TRUE(host->PressKey(*display, OAPI_KEY_F2));
  EXPECT_EQ(display->ButtonPage(), 1);
  EXPECT_EQ(labels(), "B12,B13,,,,,,,,,,,");
  EXPECT_TRUE(host->PressButton(*display, 1));
  EXPECT_TRUE(host->PressKey(*display, DisplayHost::ButtonKey(0)));
  EXPECT_FALSE(host->PressButton(*display, 2)) << "the display has no button 14";
  EXPECT_FALSE(host->PressButton(*display, 12));
  EXPECT_FALSE(host->PressButton(*display, -1));
  EXPECT_TRUE(host->PressKey(*display, OAPI_KEY_F2));
  EXPECT_EQ(display->ButtonPage(), 0);
  // Even ones ask for a redraw, which comes at the frame's end, also when the display refused the
  // click.
  EXPECT_TRUE(display->RedrawPending());
  host->RedrawRequested();
  const std::vector<std::string> expected = {"button 13 event 1", "button 12 event 1", "button 14 event 1", "update"};
  EXPECT_EQ(record.events, expected);

  // A page of buttons or fewer has no second page.
  record.buttons = 12;
  EXPECT_TRUE(host->PressKey(*display, OAPI_KEY_F2));
  EXPECT_EQ(display->ButtonPage(), 0);
}

// The grave accent shows the button menu in place of the display, the page's entries beside their
// buttons with their keys; pressed again it shows the next page, and after the last it closes. A
// key or a click the display takes closes it too.
TEST_F(DisplayHostTest, TheMenuShowsInPlaceOfTheDisplayPageByPage) {
  record.buttons = 14;
  RegisterProbe();
  DisplayHost::Display *display = host->Open("Probe", kVessel);
  ASSERT_NE(display, nullptr);
  const int updates = Probe(display).updates;

  EXPECT_TRUE(host->PressKey(*display, OAPI_KEY_GRAVE));
  EXPECT_TRUE(display->MenuShown());
  host->RedrawAll();
  EXPECT_EQ(Probe(display).updates, updates) << "the display is not drawn under its menu";
  const sim::Canvas &screen = display->Surface();
  EXPECT_EQ(screen.Row(0), "MFD MENU");
  // Left entries start at the screen's left, right ones end at its right; a one-line entry's
  // first line is a line above its button, a two-line entry's half a line higher.
  EXPECT_EQ(screen.Row(3), "Entry 0" + std::string(25, ' ') + "Entry 6");
  EXPECT_EQ(screen.Row(4), "[LShift-A]" + std::string(19, ' ') + "[LShift-G]");
  EXPECT_EQ(screen.Row(6), "Entry 1" + std::string(25, ' ') + "Entry 7");
  EXPECT_EQ(screen.Row(7), "more" + std::string(31, ' ') + "more");
  EXPECT_EQ(screen.Row(8), "[LShift-B]" + std::string(19, ' ') + "[LShift-H]");

  EXPECT_TRUE(host->PressKey(*display, OAPI_KEY_GRAVE));
  EXPECT_EQ(display->ButtonPage(), 1);
  EXPECT_TRUE(display->MenuShown());
  EXPECT_EQ(screen.Row(3), "Entry 12");
  EXPECT_EQ(screen.Row(6), "Entry 13");
  EXPECT_EQ(screen.Rows().size(), 9u);

  // Closed, the display is drawn again at the frame's end.
  EXPECT_TRUE(host->PressKey(*display, OAPI_KEY_GRAVE));
  EXPECT_FALSE(display->MenuShown());
  EXPECT_EQ(display->ButtonPage(), 0);
  host->RedrawRequested();
  EXPECT_EQ(screen.Row(0), "Probe");
  EXPECT_EQ(Probe(display).updates, updates + 1);

  host->PressKey(*display, OAPI_KEY_GRAVE);
  EXPECT_FALSE(host->PressKey(*display, 3));
  EXPECT_TRUE(display->MenuShown()) << "a key the display refuses leaves the menu";
  EXPECT_TRUE(host->PressKey(*display, 2));
  EXPECT_FALSE(display->MenuShown());
  host->RedrawRequested();
  EXPECT_EQ(screen.Row(0), "Probe");
  host->PressKey(*display, OAPI_KEY_GRAVE);
  EXPECT_TRUE(host->PressButton(*display, 3));
  EXPECT_FALSE(display->MenuShown());

  // The right display's keys are its right shift's.
  DisplayHost::Display *right = host->Open("Probe", kVessel);
  host->PressKey(*right, OAPI_KEY_GRAVE);
  EXPECT_EQ(right->Surface().Row(4), "[RShift-A]" + std::string(19, ' ') + "[RShift-G]");
}

TEST(MfdBase, TitleDrawsAtTheFirstCellAndLeavesTheContextAsItWas) {
  class Plain : public MFD {
  public:
    Plain() : MFD(400, 400, nullptr) {}
    void Update(HDC) override {}
    void SetCells(DWORD width, DWORD height) {
      cw = width;
      ch = height;
    }
  } plain;
  plain.SetCells(10, 16);
  EXPECT_FALSE(plain.ConsumeKeyBuffered(2));
  EXPECT_EQ(plain.ButtonLabel(0), nullptr);
  EXPECT_EQ(plain.ButtonMenu(nullptr), 0);
  EXPECT_NE(plain.SelectDefaultFont(nullptr, 0), nullptr);

  sim::Canvas canvas(400, 400, 10, 16);
  HDC dc = canvas.Dc();
  SetTextAlign(dc, TA_UPDATECP);
  SetTextColor(dc, 0x00C000);
  SetBkMode(dc, OPAQUE);
  MoveToEx(dc, 45, 160, nullptr);
  plain.Title(dc, "Kestrane");

  ASSERT_EQ(canvas.Runs().size(), 1u);
  EXPECT_EQ(canvas.Runs()[0].x, 5);
  EXPECT_EQ(canvas.Runs()[0].y, 0);
  EXPECT_EQ(canvas.Runs()[0].backMode, TRANSPARENT);
  EXPECT_EQ(canvas.Row(0), "Kestrane");
  EXPECT_EQ(canvas.State().textAlign, static_cast<UINT>(TA_UPDATECP));
  EXPECT_EQ(canvas.State().textColour, 0x00C000u);
  EXPECT_EQ(canvas.State().backMode, OPAQUE);
  EXPECT_EQ(canvas.State().x, 45);
  EXPECT_EQ(canvas.State().y, 160);
}

}  // namespace
