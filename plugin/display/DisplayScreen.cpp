#include "plugin/display/SetupAttach.h"
#include "plugin/display/TetherDisplay.h"
#include "plugin/display/TextGrid.h"
#include "plugin/registry/TetherData.h"
#include "plugin/tether/TensionLaw.h"

namespace kestrane {

namespace {

// Windows colour values, 0x00BBGGRR; every text is drawn on a transparent background.
constexpr COLORREF labelColour = 0x00C000;
constexpr COLORREF valueColour = 0x00FF00;
constexpr COLORREF noticeColour = 0x00C0C0;
constexpr COLORREF currentColour = 0xC0C0C0;

// Values from this size up are shown in kilo-units. The choice is made on the value, not on the
// printed text, so 9999.96 m still shows in metres.
constexpr double kiloThreshold = 10000.0;

// A projected force from this size up is shown in exponent form.
constexpr double largeForce = 10000000.0;

void PrintLength(HDC hdc, double metres) {
  if (metres < kiloThreshold)
    TextGrid::PrintColor(hdc, valueColour, "%.1f m", metres);
  else
    TextGrid::PrintColor(hdc, valueColour, "%.3f km", metres / 1000.0);
}

void PrintForceSetting(HDC hdc, double newtonsPerPercent) {
  if (newtonsPerPercent < kiloThreshold)
    TextGrid::PrintColor(hdc, valueColour, "%.1f N@1%%", newtonsPerPercent);
  else
    TextGrid::PrintColor(hdc, valueColour, "%.3f kN@1%%", newtonsPerPercent / 1000.0);
}

void PrintPull(HDC hdc, double newtons) {
  if (newtons < kiloThreshold)
    TextGrid::PrintColor(hdc, valueColour, "%.1f N", newtons);
  else
    TextGrid::PrintColor(hdc, valueColour, "%.3f kN", newtons / 1000.0);
}

void PrintAttachSuffix(HDC hdc, int32_t kind, int32_t number) {
  switch (kind) {
  case 0:
    TextGrid::PrintColor(hdc, valueColour, " at CoG");
    break;
  case 1:
    TextGrid::PrintColor(hdc, valueColour, " at Dock: %d", static_cast<int>(number));
    break;
  case 2:
    TextGrid::PrintColor(hdc, valueColour, " at Grap: %d", static_cast<int>(number));
    break;
  default:
    break;
  }
}

void PrintSetupVessel(HDC hdc, int row, const char *label, VESSEL *vessel, int32_t kind, int32_t number) {
  TextGrid::PrintAtColor(hdc, 0, row, labelColour, "%s", label);
  TextGrid::PrintColor(hdc, valueColour, "%s", vessel->GetName());
  PrintAttachSuffix(hdc, kind, number);
}

void DrawLinkStrip(HDC hdc, const TetherData &data, const TetherLink *current) {
  TextGrid::PrintAtColor(hdc, 0, 11, labelColour, "Tethers >> ");
  for (int i = 0; i < TetherData::linkCount; ++i) {
    const TetherLink *link = data.TM[i];
    if (link != nullptr && link == current)
      TextGrid::PrintColor(hdc, currentColour, "*%i*", i);
    else if (link != nullptr && link->IsConnected() != 0)
      TextGrid::PrintColor(hdc, valueColour, "|%i|", i);
    else
      TextGrid::PrintColor(hdc, labelColour, "-%i-", i);
  }
}

void DrawCurrentLink(HDC hdc, const TetherLink *link) {
  TextGrid::PrintAtColor(hdc, 0, 13, noticeColour, "Status  : ");
  if (link == nullptr || link->IsConnected() == 0) {
    TextGrid::PrintColor(hdc, valueColour, "Not connected");
    return;
  }
  if (link->spoolMode == SpoolMode::FreeSpooling)
    TextGrid::PrintColor(hdc, noticeColour, "Freespooling");
  else if (link->reelSpeed == 0.0)
    TextGrid::PrintColor(hdc, noticeColour, "Connected");
  else
    TextGrid::PrintColor(hdc, noticeColour, "Reeling");

  TextGrid::PrintAtColor(hdc, 0, 14, labelColour, "ShipOne  : ");
  TextGrid::PrintColor(hdc, valueColour, "%s", link->ship1Name);
  TextGrid::PrintAtColor(hdc, 0, 15, labelColour, "ShipTwo  : ");
  TextGrid::PrintColor(hdc, valueColour, "%s", link->ship2Name);
  TextGrid::PrintAtColor(hdc, 0, 16, labelColour, "Length   : ");
  PrintLength(hdc, link->GetLength());
  TextGrid::PrintAtColor(hdc, 0, 17, labelColour, "Distance : ");
  PrintLength(hdc, link->GetDistance());
  TextGrid::PrintAtColor(hdc, 0, 18, labelColour, "Stretch  : ");
  TextGrid::PrintColor(hdc, valueColour, "%.3f %%", link->GetStretch());
  TextGrid::PrintAtColor(hdc, 0, 19, labelColour, "Force    : ");
  PrintForceSetting(hdc, link->GetForce());
  TextGrid::PrintAtColor(hdc, 0, 20, labelColour, "Pull     : ");
  PrintPull(hdc, link->GetPull());
  TextGrid::PrintAtColor(hdc, 0, 21, labelColour, "Reel     : ");
  TextGrid::PrintColor(hdc, valueColour, "%.2f m/sec", link->reelSpeed);
}

}  // namespace

void TetherDisplay::Update(HDC hDC) {
  if (tetherData == nullptr) {
    Title(hDC, modeName);
    return;
  }
  TetherData &data = *tetherData;
  data.RefreshSetup();
  VESSEL *own = ResolveVessel(data.thisShipName);
  VESSEL *target = ResolveVessel(data.targetShipName);

  TextGrid::Init(hDC, static_cast<int>(cw), static_cast<int>(ch));
  Title(hDC, modeName);
  SelectDefaultFont(hDC, 0);

  TextGrid::PrintAtColor(hDC, 0, 1, noticeColour, "SETUP:");
  // A name that no longer names a vessel leaves its row empty, and the rows that compare the two
  // vessels are not drawn.
  if (own != nullptr) PrintSetupVessel(hDC, 2, "This Ship   : ", own, data.attachTypeV1, data.attachNoV1);
  if (target != nullptr)
    PrintSetupVessel(hDC, 3, "Target Ship : ", target, data.attachTypeV2, data.attachNoV2);
  TextGrid::PrintAtColor(hDC, 0, 4, labelColour, "Length      : ");
  PrintLength(hDC, data.setupLength);
  TextGrid::PrintAtColor(hDC, 0, 5, labelColour, "Force       : ");
  PrintForceSetting(hDC, data.setupForce);

  if (own != nullptr && target != nullptr) {
    // "iteslf" is the screen's own text, as pilots and scripts know it: not to be corrected.
    if (own == target) TextGrid::PrintAtColor(hDC, 0, 8, noticeColour, " Cannot tether vessel to iteslf.");
    // Between the attach points a tie would take: the pull the tension law gives there, with no
    // stretch rate, is what the tether's first frame pulls.
    const double distance = SetupDistance(data, own, target);
    if (distance > data.setupLength) {
      const double projected =
          TensionLaw::Step(distance, 0, data.setupLength, data.setupForce, 0, SpoolMode::Powered, 0).pull;
      TextGrid::PrintAtColor(hDC, 0, 8, noticeColour, " Warning! Length < Distance");
      if (projected < largeForce)
        TextGrid::PrintAtColor(hDC, 0, 9, noticeColour, " Projected force (N) = %.1f", projected);
      else
        TextGrid::PrintAtColor(hDC, 0, 9, noticeColour, " Projected force (N) = %.3e", projected);
    }
  }

  const TetherLink *current = data.CurrentLink();
  DrawLinkStrip(hDC, data, current);
  DrawCurrentLink(hDC, current);
}

}  // namespace kestrane
