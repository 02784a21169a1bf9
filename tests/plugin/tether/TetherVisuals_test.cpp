#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "plugin/math/VecMath.h"
#include "plugin/tether/TetherLink.h"
#include "support/TestWorld.h"

namespace kestrane {

namespace {

constexpr double widthTolerance = 1e-9;  // m

class TetherVisualsTest : public WorldTest {
protected:
  void SetUp() override {
    tug = AddVessel("Tug", {0, 0, 0});
    pod = AddVessel("Pod", {1000, 0, 0});
  }

  void Tie(double distance, double length, VECTOR3 a1 = MakeVector(0, 0, 0)) {
    pod->pos = {distance, 0, 0};
    link.Connect("Tug", "Pod", length, 10000, a1, MakeVector(0, 0, 0));
  }

  // The one stream the tug carries.
  const sim::Exhaust &Stream() {
    EXPECT_EQ(tug->Exhausts().size(), 1u);
    return tug->Exhausts().front();
  }

  std::string Texture() { return world.TextureName(Stream().texture); }

  sim::Vessel *tug = nullptr;
  sim::Vessel *pod = nullptr;
  TetherLink link;
};

TEST_F(TetherVisualsTest, TextureAndWidthFollowTheStretchBands) {
  struct Band {
    double length, distance;
    const char *texture;
    double width;
  };
  const Band bands[] = {
      {1000, 400, "Tether2", std::sqrt(840000.0) / 8},
      {1000, 499.5, "Tether2", std::sqrt(1000.0 * 1000 - 499.5 * 499.5) / 8},
      // At 50 % the divisor changes from 8 to 4.
      {1000, 500, "Tether3", std::sqrt(750000.0) / 4},
      {1000, 600, "Tether3", 200},
      {1000, 999.5, "Tether3", std::sqrt(1000.0 * 1000 - 999.5 * 999.5) / 4},
      {1000, 1000, "TetherTaut", 1.25},
      {250, 250, "TetherTaut", 0.9375},
      {1000, 4000, "TetherTaut", 1.875},
  };
  for (const Band &band : bands) {
    SCOPED_TRACE(band.distance);
    Tie(band.distance, band.length);
    link.TimeStep();
    EXPECT_EQ(Texture(), band.texture);
    EXPECT_NEAR(Stream().wscale, band.width, widthTolerance);
    EXPECT_EQ(Stream().lscale, band.distance);
  }
}

TEST_F(TetherVisualsTest, SlackWidthIsZeroWhenReelingMadeTheLengthShorterThanTheDistance) {
  world.step = 1;
  Tie(990, 1000);
  link.reelSpeed = -20;
  link.TimeStep();
  EXPECT_EQ(link.GetLength(), 980);
  EXPECT_EQ(Texture(), "Tether3");
  EXPECT_EQ(Stream().wscale, 0.0);
}

TEST_F(TetherVisualsTest, StreamRunsFromAttachPointOneTowardsAttachPointTwoInVesselOnesFrame) {
  // The tug turned a quarter about z: global +x is its local −y.
  tug->rot.m[0][0] = 0;
  tug->rot.m[0][1] = -1;
  tug->rot.m[1][0] = 1;
  tug->rot.m[1][1] = 0;
  Tie(1000, 2000, MakeVector(0, 0, 4));
  link.TimeStep();
  const sim::Exhaust &stream = Stream();
  const double distance = std::sqrt(1000.0 * 1000 + 4 * 4);
  EXPECT_EQ(stream.thruster, tug->Thrusters()[0].get());
  EXPECT_EQ(stream.pos.z, 4.0);
  EXPECT_NEAR(stream.dir.x, 0, 1e-12);
  EXPECT_NEAR(stream.dir.y, -1000 / distance, 1e-12);
  EXPECT_NEAR(stream.dir.z, -4 / distance, 1e-12);
  EXPECT_NEAR(stream.lscale, distance, 1e-9);
}

TEST_F(TetherVisualsTest, OneStreamBetweenFramesAndTheThrustersAtFullLevel) {
  Tie(900, 1000);
  for (int frame = 0; frame < 3; ++frame) world.Frame([&] { link.TimeStep(); });
  EXPECT_EQ(tug->Exhausts().size(), 1u);
  EXPECT_EQ(pod->Exhausts().size(), 0u);
  ASSERT_EQ(tug->Thrusters().size(), 2u);
  EXPECT_EQ(tug->Thrusters()[0]->level, 1.0);
  EXPECT_EQ(tug->Thrusters()[1]->level, 1.0);
  // The two thrusters cancel: the tug has not moved.
  EXPECT_EQ(tug->vel.z, 0.0);
  EXPECT_EQ(tug->angVel.x, 0.0);
}

TEST_F(TetherVisualsTest, PropellantIsRefilledOnlyBelowOneKilogram) {
  Tie(900, 1000);
  sim::Propellant &tank = *tug->Propellants()[0];
  tank.mass = 0.999;
  link.TimeStep();
  EXPECT_EQ(tank.mass, 2.0);
  tank.mass = 1.0;
  link.TimeStep();
  EXPECT_EQ(tank.mass, 1.0);
}

}  // namespace

}  // namespace kestrane
