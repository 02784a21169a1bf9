#include "sim/world/Assembly.h"

#include <cmath>
#include <utility>

#include "sim/world/RigidBody.h"
#include "sim/world/Vessel.h"
#include "sim/world/World.h"

namespace sim {

namespace {

// Jacobi sweeps stop when the off-diagonal part is this small against the whole (squared norms).
constexpr double offDiagonalShare = 1e-32;
constexpr int maxSweeps = 50;
// A port's alignment must stand off its direction by more than this (the vectors' own length).
constexpr double parallelShare = 1e-9;

Vec3 Column(const Mat3 &a, int j) { return {a.m[0][j], a.m[1][j], a.m[2][j]}; }

void SetColumn(Mat3 &a, int j, Vec3 v) {
  a.m[0][j] = v.x;
  a.m[1][j] = v.y;
  a.m[2][j] = v.z;
}

double Determinant(const Mat3 &a) { return Dot(Column(a, 0), Cross(Column(a, 1), Column(a, 2))); }

// The eigenvectors of a symmetric matrix as the columns of a rotation (determinant +1), and its
// eigenvalues in the same order, by cyclic Jacobi rotations. A matrix that is nearly diagonal
// already (an assembly's inertia in its last principal frame) takes one sweep.
void SymmetricEigen(Mat3 a, Mat3 &vectors, Vec3 &values) {
  Mat3 v;
  static const int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  for (int sweep = 0; sweep < maxSweeps; ++sweep) {
    const double off = a.m[0][1] * a.m[0][1] + a.m[0][2] * a.m[0][2] + a.m[1][2] * a.m[1][2];
    const double diagonal = a.m[0][0] * a.m[0][0] + a.m[1][1] * a.m[1][1] + a.m[2][2] * a.m[2][2];
    if (!(off > offDiagonalShare * (diagonal + off))) break;
    for (const auto &pair : pairs) {
      const int p = pair[0], q = pair[1];
      if (a.m[p][q] == 0) continue;
      // The rotation in the p–q plane that zeroes a[p][q]: t = tan of its angle, the smaller root
      // of t² + 2θt − 1 = 0.
      const double theta = (a.m[q][q] - a.m[p][p]) / (2 * a.m[p][q]);
      const double t = std::fabs(theta) > 1e150
                           ? 0.5 / theta
                           : (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
      const double c = 1 / std::sqrt(t * t + 1), s = t * c;
      Mat3 j;
      j.m[p][p] = c;
      j.m[q][q] = c;
      j.m[p][q] = s;
      j.m[q][p] = -s;
      a = Transposed(j) * a * j;
      v = v * j;
    }
  }
  if (Determinant(v) < 0) SetColumn(v, 2, -Column(v, 2));
  vectors = v;
  values = {a.m[0][0], a.m[1][1], a.m[2][2]};
}

// A port's frame in its vessel's frame: direction, alignment made square to it, and their cross
// product, as columns. False when direction and alignment do not span a plane.
bool PortFrame(const DockingPort &port, Mat3 &frame) {
  const Vec3 dir = Normalized(port.dir);
  const Vec3 across = port.rot - dir * Dot(port.rot, dir);
  if (Length(dir) == 0 || !(Length(across) > parallelShare * Length(port.rot))) return false;
  const Vec3 align = Normalized(across);
  SetColumn(frame, 0, dir);
  SetColumn(frame, 1, align);
  SetColumn(frame, 2, Cross(dir, align));
  return true;
}

Vec3 Times(Vec3 a, Vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }

}  // namespace

bool PlaceAtDock(const Vessel &a, size_t portA, Vessel &b, size_t portB) {
  if (portA >= a.docks.size() || portB >= b.docks.size()) return false;
  Mat3 frameA, frameB;
  if (!PortFrame(a.docks[portA], frameA) || !PortFrame(b.docks[portB], frameB)) return false;
  // b's port frame, turned into the global frame, is a's with the direction (and so the third
  // axis) reversed.
  SetColumn(frameA, 0, -Column(frameA, 0));
  SetColumn(frameA, 2, -Column(frameA, 2));
  b.rot = Reorthonormalized(a.rot * frameA * Transposed(frameB));
  b.pos = a.pos + a.rot * a.docks[portA].pos - b.rot * b.docks[portB].pos;
  return true;
}

Assembly::Assembly(std::vector<Vessel *> vessels, std::vector<DockJoint> dockJoints) : joints(std::move(dockJoints)) {
  for (Vessel *v : vessels) {
    parts.push_back({v, 0.0, {}, {}});
    v->assembly = this;
  }
  Form();
  PlaceParts();
}

Assembly::~Assembly() { Release(); }

void Assembly::Release() {
  for (const Part &p : parts)
    if (p.vessel->assembly == this) p.vessel->assembly = nullptr;
}

void Assembly::Form() {
  // Sums relative to the first part, so that orbital positions of millions of metres do not
  // swamp the few metres between the parts.
  const Vessel &first = *parts.front().vessel;
  mass = 0;
  Vec3 weightedOffset, weightedVelocity;
  for (Part &p : parts) {
    p.mass = p.vessel->Mass();
    mass += p.mass;
    weightedOffset += (p.vessel->pos - first.pos) * p.mass;
    weightedVelocity += (p.vessel->vel - first.vel) * p.mass;
  }
  const double share = mass > 0 ? 1.0 / mass : 0.0;
  centre = first.pos + weightedOffset * share;
  vel = first.vel + weightedVelocity * share;

  // Inertia about the centre of mass in the global frame: each part's own, turned into the global
  // frame, plus its mass at its distance (parallel axes). Angular momentum likewise.
  Mat3 inertia;
  for (int i = 0; i < 3; ++i) inertia.m[i][i] = 0;
  Vec3 momentum;
  for (const Part &p : parts) {
    const Vessel &v = *p.vessel;
    const Vec3 own = v.pmi * p.mass;
    const Vec3 r = v.pos - centre;
    const double rr = Dot(r, r);
    const double ri[3] = {r.x, r.y, r.z}, owni[3] = {own.x, own.y, own.z};
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        double sum = 0;
        for (int k = 0; k < 3; ++k) sum += v.rot.m[i][k] * owni[k] * v.rot.m[j][k];
        inertia.m[i][j] += sum + p.mass * ((i == j ? rr : 0.0) - ri[i] * ri[j]);
      }
    momentum += Cross(r, v.vel - vel) * p.mass + v.rot * Times(own, v.angVel);
  }

  // Principal axes, found from the last ones: the inertia in the old frame is nearly diagonal.
  Mat3 turn;
  SymmetricEigen(Transposed(rot) * inertia * rot, turn, moments);
  rot = Reorthonormalized(rot * turn);
  const Vec3 bodyMomentum = Transposed(rot) * momentum;
  angVel = {moments.x > 0 ? bodyMomentum.x / moments.x : 0.0, moments.y > 0 ? bodyMomentum.y / moments.y : 0.0,
            moments.z > 0 ? bodyMomentum.z / moments.z : 0.0};
  const Mat3 toBody = Transposed(rot);
  for (Part &p : parts) {
    p.offset = toBody * (p.vessel->pos - centre);
    p.relRot = toBody * p.vessel->rot;
  }
}

void Assembly::PlaceParts() {
  const Vec3 spin = rot * angVel;
  for (const Part &p : parts) {
    Vessel &v = *p.vessel;
    const Vec3 arm = rot * p.offset;
    v.pos = centre + arm;
    v.vel = vel + Cross(spin, arm);
    v.rot = rot * p.relRot;
    v.angVel = Transposed(p.relRot) * angVel;
  }
}

void Assembly::Integrate(double dt, const World &world) {
  for (const Part &p : parts)
    if (p.vessel->Mass() != p.mass) {
      Form();
      break;
    }

  // The parts' added forces and torques as they stand at the start (global; the torque about the
  // centre of mass), held over the step as a free vessel holds its own; gravity where the parts
  // are, before the move and after it.
  Vec3 force, torque;
  for (const Part &p : parts) {
    const Vessel &v = *p.vessel;
    const Vec3 f = v.rot * v.forceSum;
    force += f;
    torque += v.rot * v.torqueSum + Cross(v.pos - centre, f);
  }
  Vec3 momentum = Times(moments, angVel);
  Kick(dt / 2, world, force, torque, momentum);
  centre += vel * dt;
  const double invInertia[3] = {moments.x > 0 ? 1.0 / moments.x : 0.0, moments.y > 0 ? 1.0 / moments.y : 0.0,
                                moments.z > 0 ? 1.0 / moments.z : 0.0};
  TurnFreely(rot, momentum, invInertia, dt, &settledRotation);
  // Where the parts have come to, for the gravity of the second half.
  PlaceParts();
  Kick(dt / 2, world, force, torque, momentum);
  angVel = {momentum.x * invInertia[0], momentum.y * invInertia[1], momentum.z * invInertia[2]};
  PlaceParts();
  for (const Part &p : parts) {
    p.vessel->forceSum = {};
    p.vessel->torqueSum = {};
  }
}

void Assembly::Kick(double dt, const World &world, Vec3 force, Vec3 torque, Vec3 &momentum) {
  for (const Part &p : parts) {
    const Vec3 weight = world.GravityAt(p.vessel->pos) * p.mass;
    force += weight;
    torque += Cross(p.vessel->pos - centre, weight);
  }
  if (mass > 0) vel += force * (dt / mass);
  momentum += Transposed(rot) * torque * dt;
}

}  // namespace sim
