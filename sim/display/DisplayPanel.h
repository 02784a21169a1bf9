// A display as the host's panel shows it: the screen, with the labels of the page of buttons shown
// beside it on a grey bezel, each at its button's height, six down each side. The panel is a
// canvas of its own, wider than the screen by a bezel each side, so its text rows, its colour text
// for the terminal and its picture come as the screen's do. The screen's own text (--screen) is
// the display alone.
#pragma once

#include <memory>

#include "sim/display/Canvas.h"
#include "sim/display/DisplayHost.h"

namespace sim {

// Bezel cells each side of the screen: a label of up to three characters with a blank either side.
constexpr int panelBezelCells = 5;

// The panel of a display as it stands now: its screen as last drawn and the labels its buttons
// have now.
std::unique_ptr<Canvas> DrawPanel(const DisplayHost &host, const DisplayHost::Display &display);

}  // namespace sim
