#include "sim/play/Colours.h"

#include <algorithm>
#include <cstdlib>

namespace sim {

namespace {

struct Rgb {
  int r, g, b;
};

Rgb FromColour(COLORREF colour) {
  return {static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
          static_cast<int>((colour >> 16) & 0xFF)};
}

int DistanceSquared(Rgb a, Rgb b) {
  return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

}  // namespace

BasicColour NearestBasicColour(COLORREF colour) {
  // The usual terminal palette: the eight normal colours, then their bright forms.
  static const Rgb palette[16] = {{0, 0, 0},       {205, 0, 0},   {0, 205, 0},   {205, 205, 0},
                                  {0, 0, 238},     {205, 0, 205}, {0, 205, 205}, {229, 229, 229},
                                  {127, 127, 127}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                  {92, 92, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  const Rgb rgb = FromColour(colour);
  int best = 0;
  for (int i = 1; i < 16; ++i)
    if (DistanceSquared(rgb, palette[i]) < DistanceSquared(rgb, palette[best])) best = i;
  return {best % 8, best >= 8};
}

int NearestPaletteColour(COLORREF colour) {
  static const int levels[6] = {0, 95, 135, 175, 215, 255};
  const Rgb rgb = FromColour(colour);
  auto nearestLevel = [](int v) {
    int best = 0;
    for (int i = 1; i < 6; ++i)
      if (std::abs(levels[i] - v) < std::abs(levels[best] - v)) best = i;
    return best;
  };
  const int r = nearestLevel(rgb.r), g = nearestLevel(rgb.g), b = nearestLevel(rgb.b);
  const int cube = 16 + 36 * r + 6 * g + b;
  // The grey ramp 232 .. 255 runs from 8 to 238 in steps of 10.
  const int mean = (rgb.r + rgb.g + rgb.b) / 3;
  const int step = std::clamp((mean - 8 + 5) / 10, 0, 23);
  const int greyLevel = 8 + 10 * step;
  const Rgb cubeRgb{levels[r], levels[g], levels[b]}, greyRgb{greyLevel, greyLevel, greyLevel};
  return DistanceSquared(rgb, greyRgb) < DistanceSquared(rgb, cubeRgb) ? 232 + step : cube;
}

}  // namespace sim
