// The display's commands: one table for its 25 keys and for the host's buttons beside the screen,
// which carry 24 of them (the slash, which does nothing, has none). A key and its button run the
// same command. The buttons are the table's first entries, in the order a pilot reaches for them,
// twelve to a page of the host's buttons (the host keeps the page and numbers the buttons across
// the pages): the first page ties, reels and lets go, picks the target and the tether and sets the
// tether's force; the second sets up the attach points, the length and the force of the next
// tether, the own vessel's down the left side and the target's down the right.
#include <array>
#include <cstddef>
#include <cstdint>

#include "plugin/display/SetupAttach.h"
#include "plugin/display/TetherDisplay.h"
#include "plugin/registry/TetherData.h"

namespace kestrane {

namespace {

constexpr double lengthStep = 0.2;   // fraction of the setup length per press
constexpr double forceStep = 0.2;    // fraction of the setup force per press
constexpr double minLength = 10.0;   // m, applied only when shortening
constexpr double maxLength = 1.0e7;  // m, applied only when lengthening
constexpr double minForce = 0.0;     // N per percent, applied only when lowering
constexpr double maxForce = 1.0e6;   // N per percent, applied only when raising

// What a command works on: the registry and the two setup vessels as resolved for this press,
// each null when its name names no vessel.
struct Context {
  TetherData &data;
  VESSEL *own;
  VESSEL *target;
};

struct Command {
  DWORD key;
  const char *label;  // the button's label, at most 3 characters; null for a key without a button
  const char *line1;  // the button's entry in the host's menu: one or two lines of 16 characters
  const char *line2;
  char keyChar;  // the key as the menu shows it
  // Runs the command; true when the display is to be redrawn.
  bool (*run)(Context &context);
};

// The next docking port of the chosen kind-1 attach point, wrapping after the last port. The
// number is read as unsigned, so a negative one from a scenario starts over at port 0.
void NextDockingPort(VESSEL *vessel, int32_t &number) {
  uint32_t next = static_cast<uint32_t>(number) + 1u;
  if (next >= vessel->DockCount()) next = 0;
  number = static_cast<int32_t>(next);
}

// Attach kinds: 0 the centre, 1 a docking port, 2 an attachment point. A vessel without ports or
// points keeps the centre.
bool OwnAtCentre(Context &c) {
  c.data.attachTypeV1 = 0;
  return true;
}

bool OwnAtPort(Context &c) {
  if (c.own != nullptr) c.data.attachTypeV1 = c.own->DockCount() > 0 ? 1 : 0;
  return true;
}

bool OwnAtPoint(Context &c) {
  if (c.own != nullptr) c.data.attachTypeV1 = c.own->AttachmentCount(false) > 0 ? 2 : 0;
  return true;
}

bool TargetAtCentre(Context &c) {
  c.data.attachTypeV2 = 0;
  return true;
}

bool TargetAtPort(Context &c) {
  if (c.target != nullptr) c.data.attachTypeV2 = c.target->DockCount() > 0 ? 1 : 0;
  return true;
}

bool TargetAtPoint(Context &c) {
  if (c.target != nullptr) c.data.attachTypeV2 = c.target->AttachmentCount(false) > 0 ? 2 : 0;
  return true;
}

// At the centre there is no port to step to, and nothing to redraw.
bool OwnNextPort(Context &c) {
  if (c.data.attachTypeV1 == 0) return false;
  if (c.data.attachTypeV1 == 1 && c.own != nullptr) NextDockingPort(c.own, c.data.attachNoV1);
  return true;
}

bool TargetNextPort(Context &c) {
  if (c.data.attachTypeV2 == 0) return false;
  if (c.data.attachTypeV2 == 1 && c.target != nullptr) NextDockingPort(c.target, c.data.attachNoV2);
  return true;
}

bool NextTarget(Context &c) {
  c.data.NextTarget();
  return true;
}

bool PreviousTarget(Context &c) {
  c.data.PrevTarget();
  return true;
}

// A link command acts on the current link; it redraws unless it says otherwise.
template <void (TetherLink::*operation)(), bool redraw = true>
bool OnCurrentLink(Context &c) {
  if (TetherLink *link = c.data.CurrentLink()) (link->*operation)();
  return redraw;
}

bool ShorterSetup(Context &c) {
  c.data.setupLength = c.data.setupLength - c.data.setupLength * lengthStep;
  if (c.data.setupLength < minLength) c.data.setupLength = minLength;
  return true;
}

bool LongerSetup(Context &c) {
  c.data.setupLength = c.data.setupLength * lengthStep + c.data.setupLength;
  if (c.data.setupLength > maxLength) c.data.setupLength = maxLength;
  return true;
}

// The refresh serves later presses and redraws; this one measures between the vessels it
// resolved on entry, between the attach points the connect key would tie (SetupAttach.h), so that
// the tie it makes is taut, with no pull. No bound applies.
bool LengthFromDistance(Context &c) {
  c.data.RefreshSetup();
  if (c.own != nullptr && c.target != nullptr) c.data.setupLength = SetupDistance(c.data, c.own, c.target);
  return true;
}

// Ties with the names of the last refresh, at the setup's attach points.
bool Connect(Context &c) {
  TetherLink *link = nullptr;
  if (c.own != nullptr && c.target != nullptr && (link = c.data.CurrentLink()) != nullptr) {
    const SetupAttachPoints points = SetupAttach(c.data, c.own, c.target);
    link->Connect(c.data.thisShipName, c.data.targetShipName, c.data.setupLength, c.data.setupForce, points.own,
                  points.target);
  }
  return true;
}

bool LowerSetupForce(Context &c) {
  c.data.setupForce = c.data.setupForce - c.data.setupForce * forceStep;
  if (c.data.setupForce < minForce) c.data.setupForce = minForce;
  return true;
}

bool HigherSetupForce(Context &c) {
  c.data.setupForce = c.data.setupForce * forceStep + c.data.setupForce;
  if (c.data.setupForce > maxForce) c.data.setupForce = maxForce;
  return true;
}

// Widened so that a far-off index from a scenario cannot overflow.
bool PreviousLink(Context &c) {
  int64_t previous = int64_t{c.data.currentTether} - 1;
  if (previous < 0) previous = TetherData::linkCount - 1;
  c.data.currentTether = static_cast<int32_t>(previous);
  return true;
}

bool NextLink(Context &c) {
  int64_t next = int64_t{c.data.currentTether} + 1;
  if (next > TetherData::linkCount - 1) next = 0;
  c.data.currentTether = static_cast<int32_t>(next);
  return true;
}

bool Nothing(Context &) { return false; }

constexpr int buttonCount = 24;

// clang-format off
constexpr Command commands[] = {
    // First page, left: tie, let go, reel.
    {DIK_J, "CON", "Connect tether", "with the setup", 'J', Connect},
    {DIK_U, "DIS", "Disconnect", "current tether", 'U', OnCurrentLink<&TetherLink::Disconnect>},
    {DIK_I, "IN", "Reel in faster", "(stops pay-out)", 'I', OnCurrentLink<&TetherLink::DecreaseReelSpeed>},
    {DIK_O, "OUT", "Reel out faster", "(stops reel-in)", 'O', OnCurrentLink<&TetherLink::IncreaseReelSpeed>},
    {DIK_S, "SPL", "Spool mode:", "reel/free-spool", 'S', OnCurrentLink<&TetherLink::ToggleSpoolMode>},
    {DIK_A, "LEN", "Setup length", "= distance", 'A', LengthFromDistance},
    // First page, right: the target, the current tether, its force.
    {DIK_MINUS, "TG+", "Next target", nullptr, '-', NextTarget},
    {DIK_EQUALS, "TG-", "Previous target", nullptr, '=', PreviousTarget},
    {DIK_COMMA, "TH-", "Previous tether", nullptr, ',', PreviousLink},
    {DIK_PERIOD, "TH+", "Next tether", nullptr, '.', NextLink},
    {DIK_K, "TF-", "Tether force", "one fifth down", 'K', OnCurrentLink<&TetherLink::DecreaseForce, false>},
    {DIK_L, "TF+", "Tether force", "one fifth up", 'L', OnCurrentLink<&TetherLink::IncreaseForce, false>},
    // Second page, left: the own vessel's attach point, the setup length.
    {DIK_1, "OCG", "Own attach:", "centre", '1', OwnAtCentre},
    {DIK_2, "ODK", "Own attach:", "docking port", '2', OwnAtPort},
    {DIK_3, "OAP", "Own attach:", "attachment pt", '3', OwnAtPoint},
    {DIK_7, "OD+", "Own next", "docking port", '7', OwnNextPort},
    {DIK_LBRACKET, "SL-", "Setup length", "one fifth down", '[', ShorterSetup},
    {DIK_RBRACKET, "SL+", "Setup length", "one fifth up", ']', LongerSetup},
    // Second page, right: the target's attach point, the setup force.
    {DIK_4, "TCG", "Target attach:", "centre", '4', TargetAtCentre},
    {DIK_5, "TDK", "Target attach:", "docking port", '5', TargetAtPort},
    {DIK_6, "TAP", "Target attach:", "attachment pt", '6', TargetAtPoint},
    {DIK_8, "TD+", "Target next", "docking port", '8', TargetNextPort},
    {DIK_SEMICOLON, "SF-", "Setup force", "one fifth down", ';', LowerSetupForce},
    {DIK_APOSTROPHE, "SF+", "Setup force", "one fifth up", '\'', HigherSetupForce},
    // Keys without a button.
    {DIK_SLASH, nullptr, nullptr, nullptr, '/', Nothing},
};
// clang-format on

constexpr size_t commandCount = sizeof commands / sizeof commands[0];
static_assert(commandCount == 25, "the display has 25 keys");

// The host's menu takes the buttons' entries as one array.
constexpr std::array<MFDBUTTONMENU, buttonCount> MenuOf(const Command (&table)[commandCount]) {
  std::array<MFDBUTTONMENU, buttonCount> menu{};
  for (size_t i = 0; i < menu.size(); ++i) menu[i] = MFDBUTTONMENU{table[i].line1, table[i].line2, table[i].keyChar};
  return menu;
}

constexpr std::array<MFDBUTTONMENU, buttonCount> buttonMenu = MenuOf(commands);

constexpr bool ButtonsComeFirst() {
  for (size_t i = 0; i < commandCount; ++i)
    if ((commands[i].label != nullptr) != (i < buttonCount)) return false;
  return true;
}
static_assert(ButtonsComeFirst(), "the buttons are the table's first entries");

const Command *CommandForKey(DWORD key) {
  for (const Command &command : commands)
    if (command.key == key) return &command;
  return nullptr;
}

}  // namespace

bool TetherDisplay::ConsumeKeyBuffered(DWORD key) {
  if (tetherData == nullptr) return false;
  // Both setup vessels are resolved once for the whole press, whatever the key.
  Context context{*tetherData, ResolveVessel(tetherData->thisShipName), ResolveVessel(tetherData->targetShipName)};
  const Command *command = CommandForKey(key);
  if (command == nullptr) return false;
  if (command->run(context)) InvalidateDisplay();
  return true;
}

// A click runs the button's key when the mouse button goes down, as the host's own modes do;
// holding it or letting go does nothing more.
bool TetherDisplay::ConsumeButton(int bt, int event) {
  if ((event & PANEL_MOUSE_LBDOWN) == 0 || bt < 0 || bt >= buttonCount) return false;
  return ConsumeKeyBuffered(commands[bt].key);
}

// The host numbers the buttons across its pages: button 12 is the first of the second page.
char *TetherDisplay::ButtonLabel(int bt) {
  if (bt < 0 || bt >= buttonCount) return nullptr;
  // The host takes the label as char * but does not write to it.
  return const_cast<char *>(commands[bt].label);
}

int TetherDisplay::ButtonMenu(const MFDBUTTONMENU **menu) const {
  if (menu != nullptr) *menu = buttonMenu.data();
  return buttonCount;
}

}  // namespace kestrane
