#include "sim/scenario/Orbit.h"

#include <cmath>

#include "sim/scenario/ScenarioFile.h"

namespace sim {

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double radiansPerDegree = pi / 180.0;
// Kepler's equation: Newton steps of at most 1 rad until a step is this small (rad).
constexpr double keplerTolerance = 1e-14;
constexpr double keplerMaxStep = 1.0;
constexpr int keplerMaxIterations = 100;
// Below this eccentricity the orbit counts as a circle: the true anomaly is the mean anomaly.
constexpr double circularEccentricity = 1e-8;

const Body bodies[] = {
    {"Earth", 5.973698968e24, 6.37101e6},
    {"Moon", 7.347673176382784e22, 1.738e6},
};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    const char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
    if (x != y) return false;
  }
  return true;
}

double EccentricAnomaly(double meanAnomaly, double e) {
  double E = e < 0.8 ? meanAnomaly : pi;
  for (int i = 0; i < keplerMaxIterations; ++i) {
    double step = (E - e * std::sin(E) - meanAnomaly) / (1 - e * std::cos(E));
    if (step > keplerMaxStep) step = keplerMaxStep;
    if (step < -keplerMaxStep) step = -keplerMaxStep;
    E -= step;
    if (std::fabs(step) < keplerTolerance) break;
  }
  return E;
}

// The host's turn from the orbit plane into its frame: angle `u` from the ascending node.
Vec3 InFrame(double length, double u, double node, double inclination) {
  const double cu = std::cos(u), su = std::sin(u), cn = std::cos(node), sn = std::sin(node);
  const double ci = std::cos(inclination), si = std::sin(inclination);
  return {length * (cn * cu - sn * su * ci), length * su * si, length * (sn * cu + cn * su * ci)};
}

}  // namespace

const Body *FindBody(std::string_view name) {
  for (const Body &body : bodies)
    if (SameName(body.name, name)) return &body;
  return nullptr;
}

OrbitalState StateFromElements(const Elements &el, double mjd, double mu) {
  const double e = el.e;
  const double inclination = el.i * radiansPerDegree;
  const double node = el.node * radiansPerDegree;
  const double periapsis = el.periapsis * radiansPerDegree;
  const double n = std::sqrt(mu / (el.a * el.a * el.a));
  const double p = el.a * (1 - e * e);
  const double argument = periapsis - node;

  // The mean anomaly at the date, brought into −π .. π so that Newton starts near the root.
  double meanAnomaly = el.meanLongitude * radiansPerDegree - periapsis + (mjd - el.epoch) * secondsPerDay * n;
  meanAnomaly = std::remainder(meanAnomaly, 2 * pi);
  double trueAnomaly = meanAnomaly;
  if (e >= circularEccentricity) {
    const double E = EccentricAnomaly(meanAnomaly, e);
    trueAnomaly = 2 * std::atan(std::sqrt((1 + e) / (1 - e)) * std::tan(E / 2));
  }
  const double r = p / (1 + e * std::cos(trueAnomaly));

  const double speedScale = std::sqrt(mu / p);
  const double vx = -speedScale * std::sin(trueAnomaly), vz = speedScale * (e + std::cos(trueAnomaly));
  const double theta = std::atan2(vz, vx);
  OrbitalState state;
  state.pos = InFrame(r, trueAnomaly + argument, node, inclination);
  state.vel = InFrame(std::hypot(vx, vz), theta + argument, node, inclination);
  return state;
}

}  // namespace sim
