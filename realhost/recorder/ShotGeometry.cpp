#include "ShotGeometry.h"

#include <cmath>
#include <cstdio>

namespace recorder {

namespace {

// The point in the camera's frame.
void CameraFrame(const ShotCamera &camera, const double p[3], double d[3]) {
  const double g[3] = {p[0] - camera.position[0], p[1] - camera.position[1], p[2] - camera.position[2]};
  const double *r = camera.rotation;
  for (int j = 0; j < 3; ++j) d[j] = r[j] * g[0] + r[3 + j] * g[1] + r[6 + j] * g[2];
}

double Focal(const ShotCamera &camera) { return camera.height / 2.0 / std::tan(camera.aperture); }

}  // namespace

std::optional<Pixel> Project(const ShotCamera &camera, const double p[3]) {
  double d[3];
  CameraFrame(camera, p, d);
  if (!(d[2] > 0)) return std::nullopt;
  const double f = Focal(camera);
  return Pixel{camera.width / 2.0 + f * d[0] / d[2], camera.height / 2.0 - f * d[1] / d[2]};
}

double PixelsPerMetre(const ShotCamera &camera, const double p[3]) {
  double d[3];
  CameraFrame(camera, p, d);
  return d[2] > 0 ? Focal(camera) / d[2] : 0;
}

std::string PixelText(const std::optional<Pixel> &pixel) {
  if (!pixel) return "- -";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f %.2f", pixel->x, pixel->y);
  return text;
}

}  // namespace recorder
