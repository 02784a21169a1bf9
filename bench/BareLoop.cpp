// The floor of a run's cost: the demo's reel-in (scenarios/tug.scn with the keys of
// scripts/demo.sh) as a bare loop, with no host, no module and no display. Two point masses in
// orbit about the Earth and one tether between their centres: the central body's gravity, the
// plug-in's own tension law and reel (plugin/tether/TensionLaw.cpp), its forces, then the host's step
// (velocity Verlet), in the order and with the arithmetic that `kestrane-sim run` uses, so that its
// end state is the same to the last bit.
//
//   bare-loop [DURATION [STEP]]     (s of simulated time, default 3600; s, default 0.02)
//   bare-loop --keys                prints the keys that `kestrane-sim run` needs to do the same
//
// Prints the last samples as `kestrane-sim run` writes them: the tug's and the pod's rows of the
// vessels file, then link 0's row of the tethers file.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "plugin/tether/TensionLaw.h"
#include "sim/world/SimTime.h"
#include "tetherblock/BlockFormat.h"

namespace {

struct Body {
  double x, y, z, vx, vy, vz;  // m and m/s, from the Earth's centre, in the host's frame
  double fx, fy, fz;           // N, added this frame
};

// The demo's keys on the tug's display, each a frame after the display has shown the last: MINUS
// at 0 s targets the pod, A at 0.02 s takes their distance as the length, J at 0.04 s ties them;
// each I from 3 to 18 s reels in twice as fast (from -0.1 to -3.2 m/s); O at 437 s stops the reel.
constexpr const char *keys = "0:MINUS,0.02:A,0.04:J,3:I,6:I,9:I,12:I,15:I,18:I,437:O";
constexpr double measureTime = 0.02, tieTime = 0.04;     // s
constexpr double reelInTimes[] = {3, 6, 9, 12, 15, 18};  // s
constexpr double reelStopTime = 437;                     // s

// The host's notation: the first of %.15g, %.16g and %.17g that reads back to the same double.
std::string Real(double value) {
  char text[40];
  std::to_chars_result written{};
  for (int digits = 15; digits <= 17; ++digits) {
    written = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
    double back = 0;
    std::from_chars(text, written.ptr, back);
    if (back == value) break;
  }
  return std::string(text, written.ptr);
}

bool ReadSeconds(const char *text, double &value) {
  char *end = nullptr;
  value = std::strtod(text, &end);
  return *end == '\0' && std::isfinite(value) && value > 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 2 && std::strcmp(argv[1], "--keys") == 0) {
    std::printf("%s\n", keys);
    return 0;
  }
  double duration = 3600, dt = sim::defaultStep;  // s
  if (argc > 3 || (argc > 1 && !ReadSeconds(argv[1], duration)) || (argc > 2 && !ReadSeconds(argv[2], dt))) {
    std::fprintf(stderr, "usage: bare-loop [DURATION [STEP]]  (positive seconds), or bare-loop --keys\n");
    return 2;
  }

  // The scenario's two ShuttlePBs, 400 km up, the pod 1.5 km ahead. The Earth's GM is the host's
  // gravitational constant times its mass.
  Body tug{6771000, 0, 0, 0, -0.25, 7672.5986, 0, 0, 0};
  Body pod{6771000, 0, 1500, -1.6997, 0.25, 7672.5984, 0, 0, 0};
  const double gm = 6.67259e-11 * 5.973698968e24;  // m^3/s^2
  // Each is 500 kg dry with a full 750 kg tank; once tied, the tug also carries the tether's
  // drawing: a 2 kg tank that its two opposed thrusters (0.01 N each, 1e5 m/s, along z) drain.
  const double ownMass = 500.0 + 750.0;        // kg
  double tank = 2;                             // kg
  const double thrust = 1.0 * 0.01;            // N, of each thruster at full level
  const double burn = thrust / 100000.0 * dt;  // kg per thruster per frame

  // The scenario's setup force; A measures the length between the centres (A: the tug's minus the
  // pod's position), J ties with it and measures the stretch (the pod's minus the tug's).
  const double force = 2000;  // N per percent
  double length = 0, stretch = 0;
  bool measured = false, tied = false;
  double reelSpeed = 0, fx = 0, fy = 0, fz = 0;
  size_t reelIns = 0;
  bool stopped = false;

  const long long frames = static_cast<long long>(std::ceil(duration / dt - sim::timeSlack));
  for (long long frame = 0; frame < frames; ++frame) {
    const double start = static_cast<double>(frame) * dt;
    if (!measured && sim::Reached(start, measureTime)) {
      measured = true;
      length = std::sqrt((tug.x - pod.x) * (tug.x - pod.x) + (tug.y - pod.y) * (tug.y - pod.y) +
                         (tug.z - pod.z) * (tug.z - pod.z));
    }
    if (measured && !tied && sim::Reached(start, tieTime)) {
      tied = true;
      stretch = tetherblock::Stretch(std::sqrt((pod.x - tug.x) * (pod.x - tug.x) + (pod.y - tug.y) * (pod.y - tug.y) +
                                               (pod.z - tug.z) * (pod.z - tug.z)),
                                     length);
    }
    // I: the first press sets -0.1 m/s, each further one doubles it; O stops the reel.
    while (reelIns < sizeof reelInTimes / sizeof reelInTimes[0] && sim::Reached(start, reelInTimes[reelIns])) {
      reelSpeed = reelSpeed == 0 ? -0.1 : reelSpeed * 2;
      ++reelIns;
    }
    if (!stopped && sim::Reached(start, reelStopTime)) {
      stopped = true;
      if (reelSpeed < 0) reelSpeed = 0;
    }

    // The tether, once tied: the distance, the plug-in's tension law (stretch and its rate, the
    // reel, the clamped pull), half the pull on each body.
    tug.fx = tug.fy = tug.fz = pod.fx = pod.fy = pod.fz = 0;
    if (tied) {
      const double dx = pod.x - tug.x, dy = pod.y - tug.y, dz = pod.z - tug.z;
      const kestrane::Tension tension = kestrane::TensionLaw::Step(
          std::sqrt(dx * dx + dy * dy + dz * dz), stretch, length, force, reelSpeed, kestrane::SpoolMode::Powered, dt);
      stretch = tension.stretch;
      length = tension.length;
      reelSpeed = tension.reelSpeed;
      const double pull = tension.pull, distance = tension.distance;
      const double ux = dx * (1 / distance), uy = dy * (1 / distance), uz = dz * (1 / distance);
      fx = ux * (pull / 2);
      fy = uy * (pull / 2);
      fz = uz * (pull / 2);
      if (!(tank >= 1.0)) tank = 2;
      tug.fx = fx;
      tug.fy = fy;
      tug.fz = fz;
      pod.fx = -ux * (pull / 2);
      pod.fy = -uy * (pull / 2);
      pod.fz = -uz * (pull / 2);

      // The thrusters push along +z and -z after the tether, in that order, and burn before the
      // step.
      if (tank > 0) {
        tug.fz = tug.fz + thrust;
        tug.fz = tug.fz + -thrust;
      }
      tank = std::fmax(0.0, tank - burn);
      tank = std::fmax(0.0, tank - burn);
    }

    // Velocity Verlet in the Earth's field, the frame's forces held over the step: half the
    // velocity's change from the gravity where the body is, the move, the other half from the
    // gravity where it has come to.
    for (Body *b : {&tug, &pod}) {
      // The tug's mass is its own and, once tied, the drawing's tank.
      const double inverse = 1.0 / (b == &tug && tied ? ownMass + tank : ownMass);
      const double px = b->fx * inverse, py = b->fy * inverse, pz = b->fz * inverse;
      double r = std::sqrt(b->x * b->x + b->y * b->y + b->z * b->z);
      double g = -gm / (r * r * r);
      b->vx += (b->x * g + px) * (dt / 2);
      b->vy += (b->y * g + py) * (dt / 2);
      b->vz += (b->z * g + pz) * (dt / 2);
      b->x += b->vx * dt;
      b->y += b->vy * dt;
      b->z += b->vz * dt;
      r = std::sqrt(b->x * b->x + b->y * b->y + b->z * b->z);
      g = -gm / (r * r * r);
      b->vx += (b->x * g + px) * (dt / 2);
      b->vy += (b->y * g + py) * (dt / 2);
      b->vz += (b->z * g + pz) * (dt / 2);
    }
  }

  const std::string time = Real(static_cast<double>(frames) * dt);
  const double dx = pod.x - tug.x, dy = pod.y - tug.y, dz = pod.z - tug.z;
  const double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
  for (const auto &[name, b] : {std::pair{"Tug", &tug}, std::pair{"Pod", &pod}})
    std::printf("%s,%s,%s,%s,%s,%s,%s,%s\n", time.c_str(), name, Real(b->x).c_str(), Real(b->y).c_str(),
                Real(b->z).c_str(), Real(b->vx).c_str(), Real(b->vy).c_str(), Real(b->vz).c_str());
  std::printf("%s,0,1,Tug,Pod,%s,%s,%s,%s,%s,%s,0\n", time.c_str(), Real(length).c_str(), Real(distance).c_str(),
              Real(tetherblock::Stretch(distance, length)).c_str(),
              Real(2 * std::sqrt(fx * fx + fy * fy + fz * fz)).c_str(), Real(force).c_str(), Real(reelSpeed).c_str());
  return 0;
}
