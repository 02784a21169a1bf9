// The display's colours as a terminal shows them, where it cannot show them as they are.
#pragma once

#include "host/OrbiterAPI.h"

namespace sim {

// The nearest of the eight basic terminal colours (0 black, 1 red, 2 green, 3 yellow, 4 blue,
// 5 magenta, 6 cyan, 7 white), in its normal or bright form, to a colour value 0x00BBGGRR.
struct BasicColour {
  int index = 0;
  bool bright = false;
};
BasicColour NearestBasicColour(COLORREF colour);
// The nearest colour of the 256-colour palette's cube and grey ramp (16 .. 255).
int NearestPaletteColour(COLORREF colour);

}  // namespace sim
