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

using e2e::Num;
using e2e::ReadCsv;
using e2e::ReadFile;
using e2e::Sim;

constexpr double pi = 3.14159265358979323846;
constexpr double degree = pi / 180;

std::string Example(const std::string &name) { return std::string(KESTRANE_SCENARIOS) + "/" + name; }

// One ship of a scenario file, as far as these tests read it.
struct Ship {
  double mass = 0;       // kg, dry
  double pmi[3] = {};    // m^2
  double rpos[3] = {};   // m
  double rvel[3] = {};   // m/s
  double arot[3] = {};   // degrees
  double vrot[3] = {};   // deg/s
};

// The ships of a scenario's BEGIN_SHIPS section, by name.
std::map<std::string, Ship> ReadShips(const std::string &path) {
  std::map<std::string, Ship> ships;
  std::istringstream text(ReadFile(path));
  std::string line;
  bool inShips = false;
  Ship *ship = nullptr;
  while (std::getline(text, line)) {
    line = line.substr(0, line.find(';'));
    std::istringstream words(line);
    std::string key;
    if (!(words >> key)) continue;
    if (key == "BEGIN_SHIPS") inShips = true;
    if (key == "END_SHIPS") inShips = false;
    if (!inShips) continue;
    if (key == "END") {
      ship = nullptr;
    } else if (ship == nullptr && key.find(':') != std::string::npos) {
      ship = &ships[key.substr(0, key.find(':'))];
    } else if (ship != nullptr) {
      double *target = key == "MASS" ? &ship->mass
                       : key == "PMI"  ? ship->pmi
                       : key == "RPOS" ? ship->rpos
                       : key == "RVEL" ? ship->rvel
                       : key == "AROT" ? ship->arot
                       : key == "VROT" ? ship->vrot
                                       : nullptr;
      for (int i = 0; target != nullptr && i < (key == "MASS" ? 1 : 3); ++i) words >> target[i];
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
      {"tug.scn", 0}, {"docking.scn", 1}, {"freespool.scn", 1}, {"orbit.scn", 1}, {"eight.scn", 8}};
  std::set<std::string> found;
  for (const auto &entry : std::filesystem::directory_iterator(KESTRANE_SCENARIOS)) {
    if (entry.path().extension() != ".scn") continue;
    const std::string name = entry.path().filename().string();
    found.insert(name);
    const std::string stem = "example_" + entry.path().stem().string();
    auto r = Sim("run \"" + entry.path().string() + "\" --duration 3 --quiet --tethers " + stem + ".csv", stem);
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_NE(ReadFile(entry.path().string()).find("BEGIN_DESC"), std::string::npos) << name << " has no description";
    if (tethersOf.count(name) != 0) {
      EXPECT_EQ(ConnectedAtEnd(ReadCsv(stem + ".csv")), tethersOf.at(name)) << name;
    }
  }
  for (const auto &[name, tethers] : tethersOf) EXPECT_EQ(found.count(name), 1u) << name << " is missing";
}

// The tug's first keys as the scenario describes them: MINUS targets the pod, A takes the length
// from the distance, J ties the tether exactly taut.
TEST(ScenariosTest, TugKeysTieTheTugToThePodAtTheirDistance) {
  auto r = Sim("run \"" + Example("tug.scn") + "\" --duration 1 --keys 0:MINUS,0:A,0:J --quiet --tethers tug_keys.csv "
               "--screen tug_keys.txt",
               "tug_keys");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = ReadCsv("tug_keys.csv");
  ASSERT_GE(rows.size(), 8u);
  const auto &link0 = rows[rows.size() - 8];
  EXPECT_EQ(link0.at("connected"), "1");
  EXPECT_EQ(link0.at("ship1"), "Tug");
  EXPECT_EQ(link0.at("ship2"), "Pod");
  EXPECT_EQ(Num(link0, "length"), 1500);
  EXPECT_NE(ReadFile("tug_keys.txt").find("Target Ship : Pod at CoG"), std::string::npos);
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

  const double gm = 3.986004418e14;
  const auto ships = ReadShips(Example("orbit.scn"));
  const double tugMass = ships.at("Tug").mass, podMass = ships.at("Pod").mass;

  // The in-plane angle from the downward vertical at the pair's centre of mass to the tether
  // (tug to pod), positive along the track; the orbit runs anticlockwise in the x-y plane.
  std::map<double, std::map<std::string, std::vector<double>>> samples;
  for (const auto &row : ReadCsv("orbit_v.csv"))
    samples[Num(row, "time")][row.at("name")] = {Num(row, "x"), Num(row, "y"), Num(row, "z")};
  std::vector<double> times, angles;
  double radiusSum = 0;
  for (const auto &[t, at] : samples) {
    const auto &tug = at.at("Tug"), &pod = at.at("Pod");
    double centre[3], d[3];
    for (int i = 0; i < 3; ++i) {
      centre[i] = (tugMass * tug[i] + podMass * pod[i]) / (tugMass + podMass);
      d[i] = pod[i] - tug[i];
    }
    const double radius = std::sqrt(centre[0] * centre[0] + centre[1] * centre[1] + centre[2] * centre[2]);
    const double up[2] = {centre[0] / radius, centre[1] / radius}, along[2] = {-up[1], up[0]};
    times.push_back(t);
    angles.push_back(std::atan2(d[0] * along[0] + d[1] * along[1], -(d[0] * up[0] + d[1] * up[1])));
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

// A tether between docking ports pulls away from the centres of mass, so it turns both vessels:
// the capsule, nose 60° anticlockwise of the line, is turned clockwise, the target anticlockwise.
// The pulls are equal and opposite on one line, so the pair's angular momentum, orbital and spin,
// is kept. Tied at the centres instead, the same pulls turn nothing.
TEST(ScenariosTest, DockingPortTetherTurnsBothVesselsAndKeepsAngularMomentum) {
  ASSERT_EQ(Sim("run \"" + Example("docking.scn") + "\" --duration 10 --quiet --save docking_end.scn", "docking").status,
            0);
  const auto start = ReadShips(Example("docking.scn")), end = ReadShips("docking_end.scn");
  ASSERT_EQ(end.size(), 2u);
  for (const char *name : {"Capsule", "Target"}) {
    EXPECT_EQ(start.at(name).vrot[2], 0) << name;
    EXPECT_GT(std::fabs(end.at(name).arot[2] - start.at(name).arot[2]), 5) << name << " did not turn";
  }
  EXPECT_LT(end.at("Capsule").vrot[2], -0.5);
  EXPECT_GT(end.at("Target").vrot[2], 0.5);

  // About the z axis: m (x vy − y vx) + m pmi_z ω_z. The capsule carries the tether's drawing,
  // whose 2 kg tank counts in its mass and its moment of inertia.
  const double drawingTank = 2;
  auto angularMomentum = [&](const std::map<std::string, Ship> &ships) {
    double total = 0;
    for (const auto &[name, s] : ships) {
      const double m = s.mass + (name == "Capsule" ? drawingTank : 0);
      total += m * (s.rpos[0] * s.rvel[1] - s.rpos[1] * s.rvel[0]) + m * s.pmi[2] * s.vrot[2] * degree;
    }
    return total;
  };
  const double before = angularMomentum(start), after = angularMomentum(end);
  EXPECT_NEAR(after, before, 1e-6 * std::fabs(before));

  // The same scenario with both ends at the vessels' centres.
  std::string text = ReadFile(Example("docking.scn"));
  for (const std::string attach : {"Attach1 ", "Attach2 "}) {
    const size_t at = text.find(attach);
    ASSERT_NE(at, std::string::npos);
    text.replace(at + attach.size(), text.find('\n', at) - at - attach.size(), "0 0 0");
  }
  std::ofstream("docking_centres.scn") << text;
  ASSERT_EQ(Sim("run docking_centres.scn --duration 10 --quiet --save docking_centres_end.scn", "centres").status, 0);
  for (const auto &[name, s] : ReadShips("docking_centres_end.scn")) {
    EXPECT_EQ(s.vrot[2], 0) << name;
    EXPECT_DOUBLE_EQ(s.arot[2], start.at(name).arot[2]) << name;
  }
}
