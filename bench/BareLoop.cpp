// The floor of a run's cost: the tug reeling in its cargo pod (scenarios/tug.scn with the keys
// MINUS, A and J at 0 s and I at 1 s) as a bare loop, with no host, no module and no display.
// Two point masses and one tether between their centres, with the tether's tension law, its
// forces, then the host's symplectic step, in the order and with the arithmetic that
// `kestrane-sim run` uses, so that its end state is the same to the last bit.
//
//   bare-loop [DURATION [STEP]]     (s of simulated time, default 3600; s, default 0.02)
//
// Prints the last samples as `kestrane-sim run` writes them: the tug's and the pod's rows of the
// vessels file, then link 0's row of the tethers file.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Body {
  double x, y, vx, vy;  // m and m/s, in the plane of the scenario (z stays 0)
  double fx, fy;        // N, added this frame
};

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
  double duration = 3600, dt = 0.02;  // s
  if (argc > 3 || (argc > 1 && !ReadSeconds(argv[1], duration)) || (argc > 2 && !ReadSeconds(argv[2], dt))) {
    std::fprintf(stderr, "usage: bare-loop [DURATION [STEP]]  (positive seconds)\n");
    return 2;
  }

  // The scenario's tug and pod. The tug carries the tether's drawing: a 2 kg tank that its two
  // opposed thrusters (0.01 N each, 1e5 m/s) drain; their forces cancel exactly.
  Body tug{0, 0, 0, -0.125, 0, 0}, pod{1500, 0, 0, 0.5, 0, 0};
  const double tugDryMass = 12000, podMass = 3000;  // kg
  double tank = 2;                                  // kg
  const double burn = 1.0 * 0.01 / 100000.0 * dt;   // kg per thruster per frame

  // MINUS, A and J at 0 s: a tether as long as the distance between the centres, 10 kN per
  // percent, exactly taut. I at 1 s reels in at 0.1 m/s.
  const double force = 10000;  // N per percent
  double length = std::sqrt((tug.x - pod.x) * (tug.x - pod.x) + (tug.y - pod.y) * (tug.y - pod.y));
  double stretch = std::sqrt((pod.x - tug.x) * (pod.x - tug.x) + (pod.y - tug.y) * (pod.y - tug.y)) / length * 100;
  double reelSpeed = 0, pull = 0, fx = 0, fy = 0;
  const double reelAt = 1.0, timeSlack = 1e-9;  // s
  bool reeling = false;

  const long frames = static_cast<long>(std::ceil(duration / dt - timeSlack));
  for (long frame = 0; frame < frames; ++frame) {
    const double start = static_cast<double>(frame) * dt;
    if (!reeling && start >= reelAt - timeSlack) {
      reeling = true;
      reelSpeed = -0.1;
    }

    // The tether: distance, stretch and its rate, the reel, the clamped pull, half on each body.
    const double dx = pod.x - tug.x, dy = pod.y - tug.y;
    const double previous = stretch;
    double distance = std::sqrt(dx * dx + dy * dy + 0.0);
    if (!(distance >= 0.01)) distance = 0.01;
    stretch = distance / length * 100;
    const double rate = (stretch - previous) / dt;
    length = length + reelSpeed * dt;
    if (!(length > 10.0)) {
      length = 10.0;
      reelSpeed = 0;
    }
    pull = 0;
    if (distance > length) {
      pull = (stretch - 100) * force + rate * force;
      if (!(pull >= 0)) pull = 0;
      if (!(force * 10000 >= pull)) pull = force * 10000;
    }
    const double ux = dx * (1 / distance), uy = dy * (1 / distance);
    fx = ux * (pull / 2);
    fy = uy * (pull / 2);
    tug.fx = fx;
    tug.fy = fy;
    pod.fx = -ux * (pull / 2);
    pod.fy = -uy * (pull / 2);
    if (!(tank >= 1.0)) tank = 2;

    // The thrusters burn before the step; the tug's mass is its dry mass and the tank.
    tank = std::fmax(0.0, tank - burn);
    tank = std::fmax(0.0, tank - burn);

    // Symplectic Euler: velocity first, then position.
    const double tugInverse = 1.0 / (tugDryMass + tank), podInverse = 1.0 / podMass;
    tug.vx += (0 + tug.fx * tugInverse) * dt;
    tug.vy += (0 + tug.fy * tugInverse) * dt;
    tug.x += tug.vx * dt;
    tug.y += tug.vy * dt;
    pod.vx += (0 + pod.fx * podInverse) * dt;
    pod.vy += (0 + pod.fy * podInverse) * dt;
    pod.x += pod.vx * dt;
    pod.y += pod.vy * dt;
  }

  const std::string time = Real(static_cast<double>(frames) * dt);
  const double dx = pod.x - tug.x, dy = pod.y - tug.y;
  const double distance = std::sqrt(dx * dx + dy * dy + 0.0);
  std::printf("%s,Tug,%s,%s,0,%s,%s,0\n", time.c_str(), Real(tug.x).c_str(), Real(tug.y).c_str(), Real(tug.vx).c_str(),
              Real(tug.vy).c_str());
  std::printf("%s,Pod,%s,%s,0,%s,%s,0\n", time.c_str(), Real(pod.x).c_str(), Real(pod.y).c_str(), Real(pod.vx).c_str(),
              Real(pod.vy).c_str());
  std::printf("%s,0,1,Tug,Pod,%s,%s,%s,%s,%s,%s,0\n", time.c_str(), Real(length).c_str(), Real(distance).c_str(),
              Real(distance / length * 100).c_str(), Real(2 * std::sqrt(fx * fx + fy * fy + 0.0)).c_str(),
              Real(force).c_str(), Real(reelSpeed).c_str());
  return 0;
}
