// The example scenarios a user runs first: each loads and runs, and each tells its story.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "Support.h"

namespace {

using namespace e2e;

constexpr double pi = 3.14159265358979323846;
constexpr double degree = pi / 180;
// The stock classes' masses with full tanks, and the 2 kg tank of a tether's drawing on its first
// vessel.
constexpr double deltaGliderMass = 11000 + 12900 + 600;
constexpr double shuttlePbMass = 500 + 750;
constexpr double shuttleAMass = 13000 + 71500 + 2700;
constexpr double drawingTank = 2;

std::string Example(const std::string &name) { return std::string(KESTRANE_SCENARIOS) + "/" + name; }

// One ship of a scenario file, as far as these tests read it.
struct Ship {
  double rpos[3] = {};   // m
  double rvel[3] = {};   // m/s
  double arot[3] = {};   // degrees, the host's angles
  double vrot[3] = {};   // deg/s
};

// The ships of a scenario's BEGIN_SHIPS section, by name.
std::map<std::string, Ship> ReadShips(const std::string &path) {
  std::map<std::string, Ship> ships;
  std::istringstream text(FileText(path));
  std::string line;
  bool inShips = false;
  Ship *ship = nullptr;
  while (std::getline(text, line)) {
    line = line.substr(0, line.find(';'));
    std::istringstream words(line);
    std::string key;
    if (!(words >> key)) continue;
    if (key == "BEGIN_SHIPS") {
      inShips = true;
      continue;
    }
    if (key == "END_SHIPS") inShips = false;
    if (!inShips) continue;
    if (key == "END") {
      ship = nullptr;
    } else if (ship == nullptr) {
      ship = &ships[key.substr(0, key.find(':'))];
    } else {
      double *target = key == "RPOS"   ? ship->rpos
                       : key == "RVEL" ? ship->rvel
                       : key == "AROT" ? ship->arot
                       : key == "VROT" ? ship->vrot
                                       : nullptr;
      for (int i = 0; target != nullptr && i < 3; ++i) words >> target[i];
    }
  }
  return ships;
}

// The number of links connected in the last sample of a tether CSV.
int ConnectedAtEnd(const std::vector<e2e::CsvRow> &rows) {
  int connected = 0;
  for (size_t i = rows.size() >= 8 ? rows.size() - 8 : 0; i < rows.size(); ++i) connected += rows[i].at("connected") == "1";
  return connected;
}

}  // namespace

// Every scenario of the folder loads and runs; the ones that restore tethers have them tied after
// a few seconds (a misspelt vessel name in a block would leave its link loose).
TEST(ScenariosTest, EveryExampleLoadsRunsAndKeepsItsTethers) {
  const std::map<std::string, int> tethersOf = {
      {"tug.scn", 0}, {"iss.scn", 1}, {"tow.scn", 1}, {"orbit.scn", 1}, {"eight.scn", 8}};
  std::set<std::string> found;
  for (const auto &entry : std::filesystem::directory_iterator(KESTRANE_SCENARIOS)) {
    if (entry.path().extension() != ".scn") continue;
    const std::string name = entry.path().filename().string();
    found.insert(name);
    const std::string stem = "example_" + entry.path().stem().string();
    auto r = Sim("run \"" + entry.path().string() + "\" --duration 3 --quiet --tethers " + stem + ".csv", stem);
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_NE(FileText(entry.path().string()).find("BEGIN_DESC"), std::string::npos) << name << " has no description";
    if (tethersOf.count(name) != 0) {
      EXPECT_EQ(ConnectedAtEnd(ReadCsv(stem + ".csv")), tethersOf.at(name)) << name;
    }
  }
  for (const auto &[name, tethers] : tethersOf) EXPECT_EQ(found.count(name), 1u) << name << " is missing";
}

// The tug's first keys as the scenario describes them, each a frame after the last: MINUS targets
// the pod, A takes the length from the distance, J ties the tether taut.
TEST(ScenariosTest, TugKeysTieTheTugToThePodAtTheirDistance) {
  auto r = Sim("run \"" + Example("tug.scn") +
                   "\" --duration 1 --keys 0:MINUS,0.02:A,0.04:J --quiet --tethers tug_keys.csv "
                   "--screen tug_keys.txt",
               "tug_keys");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = ReadCsv("tug_keys.csv");
  ASSERT_GE(rows.size(), 8u);
  const auto &link0 = rows[rows.size() - 8];
  EXPECT_EQ(link0.at("connected"), "1");
  EXPECT_EQ(link0.at("ship1"), "Tug");
  EXPECT_EQ(link0.at("ship2"), "Pod");
  EXPECT_NEAR(Num(link0, "length"), 1500, 1e-3);
  EXPECT_NE(FileText("tug_keys.txt").find("Target Ship : Pod at CoG"), std::string::npos);
}

// A tethered pair in a circular orbit hangs along the local vertical and swings about it in the
// orbit plane at √3 times the orbital rate (the gravity gradient's restoring torque); it starts
// 10° off the vertical, so it swings through ±10°.
TEST(ScenariosTest, OrbitingPairLibratesAboutTheVerticalAtRootThreeTimesTheOrbitalRate) {
  // Three libration periods of about 56 minutes; a long step suits the slow motion.
  auto r = Sim("run \"" + Example("orbit.scn") +
                   "\" --duration 10500 --dt 0.5 --every 10 --vessels orbit_v.csv --tethers orbit_t.csv --quiet",
               "orbit");
  ASSERT_EQ(r.status, 0) << r.err;

  // The Earth as the host has it: G M.
  const double gm = 6.67259e-11 * 5.973698968e24;
  const double tugMass = deltaGliderMass + drawingTank, podMass = shuttlePbMass;

  // The in-plane angle from the downward vertical at the pair's centre of mass to the tether
  // (tug to pod), positive along the track.
  std::map<double, std::map<std::string, std::vector<double>>> samples;
  for (const auto &row : ReadCsv("orbit_v.csv"))
    samples[Num(row, "time")][row.at("name")] = {Num(row, "x"),  Num(row, "y"),  Num(row, "z"),
                                                 Num(row, "vx"), Num(row, "vy"), Num(row, "vz")};
  std::vector<double> times, angles;
  double radiusSum = 0;
  for (const auto &[t, at] : samples) {
    const auto &tug = at.at("Tug"), &pod = at.at("Pod");
    double centre[6], d[3];
    for (int i = 0; i < 6; ++i) centre[i] = (tugMass * tug[i] + podMass * pod[i]) / (tugMass + podMass);
    for (int i = 0; i < 3; ++i) d[i] = pod[i] - tug[i];
    const double radius = std::sqrt(centre[0] * centre[0] + centre[1] * centre[1] + centre[2] * centre[2]);
    double up[3], along[3];
    for (int i = 0; i < 3; ++i) up[i] = centre[i] / radius;
    // Along the track: the centre's velocity without its part along the vertical.
    const double climb = centre[3] * up[0] + centre[4] * up[1] + centre[5] * up[2];
    for (int i = 0; i < 3; ++i) along[i] = centre[3 + i] - climb * up[i];
    const double speed = std::sqrt(along[0] * along[0] + along[1] * along[1] + along[2] * along[2]);
    for (double &a : along) a /= speed;
    times.push_back(t);
    angles.push_back(
        std::atan2(d[0] * along[0] + d[1] * along[1] + d[2] * along[2], -(d[0] * up[0] + d[1] * up[1] + d[2] * up[2])));
    radiusSum += radius;
  }
  ASSERT_GE(times.size(), 1000u);

  // Zero crossings, each between two samples by linear interpolation.
  std::vector<double> crossings;
  for (size_t i = 1; i < angles.size(); ++i)
    if ((angles[i - 1] < 0) != (angles[i] < 0))
      crossings.push_back(times[i - 1] + (times[i] - times[i - 1]) * angles[i - 1] / (angles[i - 1] - angles[i]));
  ASSERT_GE(crossings.size(), 5u);
  const double period = 2 * (crossings.back() - crossings.front()) / (crossings.size() - 1);
  const double orbitalRate = std::sqrt(gm / std::pow(radiusSum / times.size(), 3));
  const double ratio = 2 * pi / period / orbitalRate;
  EXPECT_NEAR(ratio, std::sqrt(3.0), 0.05 * std::sqrt(3.0)) << "libration period " << period << " s";

  // Settled on the vertical: it swings through it symmetrically and no further than it started.
  double largest = 0, sum = 0;
  for (double a : angles) {
    largest = std::max(largest, std::fabs(a));
    sum += a;
  }
  EXPECT_NEAR(largest, 10 * degree, 0.5 * degree);
  EXPECT_NEAR(sum / angles.size(), 0, 1 * degree);

  // The gradient keeps the tether taut throughout.
  for (const auto &row : ReadCsv("orbit_t.csv"))
    if (row.at("link") == "0") {
      ASSERT_EQ(row.at("connected"), "1");
      EXPECT_GT(Num(row, "stretch"), 100) << "t = " << row.at("time");
    }
}

// The host's matrix of AROT angles (degrees): global = R · local, as the host's documentation
// writes it out.
std::vector<double> HostRotation(const double angles[3]) {
  const double ca = std::cos(angles[0] * degree), sa = std::sin(angles[0] * degree);
  const double cb = std::cos(angles[1] * degree), sb = std::sin(angles[1] * degree);
  const double cc = std::cos(angles[2] * degree), sc = std::sin(angles[2] * degree);
  return {cb * cc,
          cb * sc,
          -sb,
          sa * sb * cc - ca * sc,
          sa * sb * sc + ca * cc,
          sa * cb,
          ca * sb * cc + sa * sc,
          ca * sb * sc - sa * cc,
          ca * cb};
}

// Where a point of a vessel (its own frame) is, from the vessel's saved RPOS and AROT.
std::vector<double> Placed(const Ship &ship, const std::vector<double> &local) {
  const std::vector<double> r = HostRotation(ship.arot);
  std::vector<double> global(3);
  for (int i = 0; i < 3; ++i)
    global[i] = ship.rpos[i] + r[3 * i] * local[0] + r[3 * i + 1] * local[1] + r[3 * i + 2] * local[2];
  return global;
}

// A Shuttle-A backs away from the ISS on a tether tied to the docking port of a glider docked at
// the station. When the tether comes taut it stops the Shuttle-A, and the momentum it takes moves
// the station and the glider together; the pull acts off the station's centre of mass and turns
// it. Through it all the glider stays at the station's port, as the saved scenario shows in the
// host's own terms.
TEST(ScenariosTest, ATetherToAGliderDockedAtTheStationTugsTheStationAndTheGliderTogether) {
  ASSERT_EQ(Sim("run \"" + Example("iss.scn") +
                    "\" --duration 120 --every 1 --quiet --vessels iss_v.csv --tethers "
                    "iss_t.csv --save iss_end.scn",
                "iss")
                .status,
            0);
  double pulled = 0;
  for (const auto &row : ReadCsv("iss_t.csv"))
    if (row.at("link") == "0") pulled = std::max(pulled, Num(row, "pull"));
  EXPECT_GT(pulled, 1000) << "the tether never came taut";

  std::map<std::string, std::vector<double>> first, last;
  for (const auto &row : ReadCsv("iss_v.csv")) {
    auto &slot = Num(row, "time") == 0 ? first[row.at("name")] : last[row.at("name")];
    slot = {Num(row, "vx"), Num(row, "vy"), Num(row, "vz")};
  }
  // Across the orbit (y) the Earth's pull is nearly nothing this close to the plane: the momentum
  // the Shuttle-A loses, the station and its glider gain together, within the 5 % the gravity on
  // the Shuttle-A 100 m off the plane leaves.
  const double issMass = 450000, gliderMass = deltaGliderMass + drawingTank;
  const double lost = shuttleAMass * (first.at("SH-01")[1] - last.at("SH-01")[1]);
  EXPECT_GT(lost, 0);
  const double gained =
      issMass * (last.at("ISS")[1] - first.at("ISS")[1]) + gliderMass * (last.at("GL-01")[1] - first.at("GL-01")[1]);
  EXPECT_NEAR(gained, lost, 0.05 * lost);

  // The glider's port on the station's port: positions equal within the rounding of the saved
  // numbers, directions opposite.
  const auto ships = ReadShips("iss_end.scn");
  const Ship &iss = ships.at("ISS"), &glider = ships.at("GL-01");
  const std::vector<double> stationPort = Placed(iss, {0.08, -5.8, 15.7});
  const std::vector<double> gliderPort = Placed(glider, {0, -0.49, 10.076});
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(stationPort[i], gliderPort[i], 1e-6) << i;
  const std::vector<double> issDir = Placed(iss, {0, 0, 1}), gliderDir = Placed(glider, {0, 0, 1});
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(issDir[i] - iss.rpos[i], -(gliderDir[i] - glider.rpos[i]), 1e-9) << i;
  double turning = 0;
  for (double w : iss.vrot) turning += w * w;
  EXPECT_GT(std::sqrt(turning), 1e-3) << "deg/s: the pull off the centre of mass turns the station";
}
