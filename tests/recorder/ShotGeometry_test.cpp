// Where the recorder says a shot shows a point: the host's camera projection, as its graphics client
// draws with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "realhost/recorder/ShotGeometry.h"

namespace {

using recorder::PixelText;
using recorder::Project;
using recorder::ShotCamera;

// A camera 800 × 500 pixels whose top edge is half a unit up at one unit ahead: 500 pixels span one
// unit across at one unit ahead.
ShotCamera Camera() {
  ShotCamera camera;
  camera.width = 800;
  camera.height = 500;
  camera.aperture = std::atan(0.5);
  return camera;
}

TEST(ShotGeometryTest, PutsPointsWhereTheCameraSeesThem) {
  ShotCamera camera = Camera();
  const double ahead[3] = {0, 0, 10}, right[3] = {1, 0, 10}, up[3] = {0, 1, 10}, behind[3] = {0, 0, -1};
  EXPECT_EQ(PixelText(Project(camera, ahead)), "400.00 250.00");
  EXPECT_EQ(PixelText(Project(camera, right)), "450.00 250.00");
  EXPECT_EQ(PixelText(Project(camera, up)), "400.00 200.00");
  EXPECT_EQ(PixelText(Project(camera, behind)), "- -");
  EXPECT_DOUBLE_EQ(recorder::PixelsPerMetre(camera, ahead), 50);
  EXPECT_EQ(recorder::PixelsPerMetre(camera, behind), 0);

  // Moved to (5, 0, 0) and turned to look along the global x axis, its right hand along -z (global =
  // R · camera): the point 10 m ahead and 1 m to its right.
  camera.position[0] = 5;
  const double turned[9] = {0, 0, 1, 0, 1, 0, -1, 0, 0};
  std::copy(turned, turned + 9, camera.rotation);
  const double point[3] = {15, 0, -1};
  EXPECT_EQ(PixelText(Project(camera, point)), "450.00 250.00");
}

}  // namespace
