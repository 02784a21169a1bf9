// Where a shot of the scene shows a point: the host's camera as a graphics client draws with it, and
// the lines of the file the recorder writes beside each shot, which say where the vessels, their
// exhaust streams and the tethers' attach points are in the picture.
//
// The camera sits at `position` (global frame, m), turned by `rotation` (global = R · camera, row by
// row, the host's left-handed frames: x right, y up, z forward) and sees `aperture` (rad) from the
// middle of the picture to its top edge. A point d in front of it (d = R^T (p − position), d.z > 0)
// lands at pixel x = w/2 + f d.x / d.z, y = h/2 − f d.y / d.z, where f = (h / 2) / tan(aperture),
// counted from the picture's top left corner.
//
// The shot's file, one line per item, words separated by blanks; pixel positions are "- -" for a
// point behind the camera:
//
//   # <a line of what the columns are>
//   view TIME FRAME WIDTH HEIGHT APERTURE          s, frame number, pixels, rad
//   vessel NAME X Y DISTANCE                       the vessel's centre; m from the camera
//   stream VESSEL INDEX TEXTURE LENGTH WIDTH X1 Y1 X2 Y2 HALF1 HALF2
//       an exhaust stream the host draws (its level is above 0), from its start to its end, m and
//       pixels; HALF1 and HALF2 are its width at its two ends in pixels (the host draws the
//       stream WIDTH to either side of its axis)
//   tether LINK SHIP1 SHIP2 X1 Y1 X2 Y2            a connected tether's attach points 1 and 2
#pragma once

#include <optional>
#include <string>

namespace recorder {

struct ShotCamera {
  double position[3] = {0, 0, 0};
  double rotation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  double aperture = 0.5;  // rad
  int width = 1, height = 1;
};

struct Pixel {
  double x = 0, y = 0;
};

// Where the picture shows the global point `p`; none for a point not in front of the camera.
std::optional<Pixel> Project(const ShotCamera &camera, const double p[3]);
// The pixels a metre across the line of sight covers at the global point `p` (0 behind the camera).
double PixelsPerMetre(const ShotCamera &camera, const double p[3]);
// "X Y" of a projected point, "- -" for none.
std::string PixelText(const std::optional<Pixel> &pixel);

}  // namespace recorder
