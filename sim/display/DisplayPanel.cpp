#include "sim/display/DisplayPanel.h"

#include <string>

namespace sim {

namespace {

constexpr COLORREF bezelColour = 0x404040;
constexpr COLORREF labelColour = 0xE0E0E0;

}  // namespace

std::unique_ptr<Canvas> DrawPanel(const DisplayHost &host, const DisplayHost::Display &display) {
  const Canvas &screen = display.Surface();
  const int cw = screen.CellWidth();
  const int ch = screen.CellHeight();
  const int bezel = panelBezelCells * cw;
  auto panel = std::make_unique<Canvas>(screen.Width() + 2 * bezel, screen.Height(), cw, ch);

  const std::string blank(panelBezelCells, ' ');
  const int rightBezel = bezel + screen.Width();
  for (int y = 0; y + ch <= screen.Height(); y += ch) {
    panel->HostText(0, y, blank, bezelColour, bezelColour, true);
    panel->HostText(rightBezel + cw / 2, y, blank, bezelColour, bezelColour, true);
  }
  // A label sits in the middle of its button, one blank in from the bezel's outer edge.
  const DisplayGeometry &geometry = display.Size();
  for (int side = 0; side < 2; ++side) {
    for (int row = 0; row < geometry.buttonsPerSide; ++row) {
      // The host draws three characters of a label at most.
      const std::string label = host.ButtonLabel(display, side * geometry.buttonsPerSide + row).substr(0, 3);
      if (label.empty()) continue;
      const int x = (side == 0 ? 0 : rightBezel) + cw / 2 + cw;
      panel->HostText(x, ButtonCentreY(geometry, row) - ch / 2, label, labelColour, bezelColour, true);
    }
  }

  for (const TextRun &run : screen.Runs())
    panel->HostText(run.x + bezel, run.y, run.text, run.textColour, run.backColour, run.backMode == OPAQUE);
  return panel;
}

}  // namespace sim
