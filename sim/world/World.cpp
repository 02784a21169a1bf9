#include "sim/world/World.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace sim {

World *detail::currentWorld = nullptr;

namespace {

// Steps beyond this many are not counted exactly in a double.
constexpr double maxCountedSteps = 4503599627370496.0;  // 2^52

}  // namespace

World::World() { detail::currentWorld = this; }

World::~World() {
  assemblies.clear();
  if (detail::currentWorld == this) detail::currentWorld = nullptr;
}

Vessel *World::CreateVessel(const std::string &name, const std::string &className) {
  if (name.empty()) return nullptr;
  if (index.FindByName(name) != nullptr) return nullptr;
  vessels.push_back(std::make_unique<Vessel>(name, className));
  Vessel *v = vessels.back().get();
  index.Insert(v, v->Name(), vessels.size() - 1);
  ++generation;
  if (focus == nullptr) focus = v;
  return v;
}

bool World::DeleteVessel(Vessel *vessel) {
  const size_t position = IndexOf(vessel);
  if (position == vessels.size()) return false;
  if (vessel->assembly != nullptr) Undock(vessel);
  index.Erase(vessel, vessel->Name());
  ++generation;
  retired.push_back(std::move(vessels[position]));
  vessels.erase(vessels.begin() + static_cast<std::ptrdiff_t>(position));
  for (size_t i = position; i < vessels.size(); ++i) index.SetPosition(vessels[i].get(), i);
  vessel->Retire();
  if (focus == vessel) focus = vessels.empty() ? nullptr : vessels.front().get();
  return true;
}

void World::Undock(Vessel *vessel) {
  Assembly *old = vessel->assembly;
  std::vector<Vessel *> rest;
  for (size_t i = 0; i < old->PartCount(); ++i)
    if (old->PartAt(i) != vessel) rest.push_back(old->PartAt(i));
  std::vector<DockJoint> kept;
  for (const DockJoint &joint : old->Joints())
    if (joint.a != vessel && joint.b != vessel) kept.push_back(joint);
  auto found = std::find_if(assemblies.begin(), assemblies.end(), [old](const auto &a) { return a.get() == old; });
  assemblies.erase(found);  // releases every part

  // What the joints still hold together, in the parts' order.
  std::set<Vessel *> placed;
  for (Vessel *start : rest) {
    if (placed.count(start) != 0) continue;
    std::vector<Vessel *> group{start};
    placed.insert(start);
    for (size_t i = 0; i < group.size(); ++i)
      for (const DockJoint &joint : kept) {
        Vessel *other = joint.a == group[i] ? joint.b : joint.b == group[i] ? joint.a : nullptr;
        if (other != nullptr && placed.insert(other).second) group.push_back(other);
      }
    if (group.size() < 2) continue;
    std::vector<DockJoint> groupJoints;
    for (const DockJoint &joint : kept)
      if (std::find(group.begin(), group.end(), joint.a) != group.end()) groupJoints.push_back(joint);
    assemblies.push_back(std::make_unique<Assembly>(group, groupJoints));
  }
}

Assembly *World::Join(const std::vector<DockJoint> &joints) {
  if (joints.empty()) return nullptr;
  std::vector<Vessel *> parts;
  std::set<std::pair<const Vessel *, size_t>> ports;
  for (const DockJoint &joint : joints) {
    for (const auto &[vessel, port] : {std::pair{joint.a, joint.portA}, std::pair{joint.b, joint.portB}}) {
      if (!IsLive(vessel) || vessel->assembly != nullptr || port >= vessel->docks.size()) return nullptr;
      if (!ports.insert({vessel, port}).second) return nullptr;
      if (std::find(parts.begin(), parts.end(), vessel) == parts.end()) parts.push_back(vessel);
    }
    if (joint.a == joint.b) return nullptr;
  }
  // Every part reached from the first through the joints.
  std::set<const Vessel *> reached{parts.front()};
  for (bool grew = true; grew;) {
    grew = false;
    for (const DockJoint &joint : joints)
      if ((reached.count(joint.a) != 0) != (reached.count(joint.b) != 0)) {
        reached.insert(joint.a);
        reached.insert(joint.b);
        grew = true;
      }
  }
  if (reached.size() != parts.size()) return nullptr;
  assemblies.push_back(std::make_unique<Assembly>(parts, joints));
  return assemblies.back().get();
}

Vessel *World::FindByName(std::string_view name) const { return index.FindByName(name); }

Vessel *World::FindAndRememberName(const char *name) {
  const std::string_view text(name);
  Vessel *found = index.FindByName(text);
  NameMemo &memo = nameMemos[MemoSlot(name)];
  if (text.size() < sizeof memo.name) {
    memo.buffer = name;
    text.copy(memo.name, text.size());
    memo.name[text.size()] = '\0';
    memo.vessel = found;
    memo.generation = generation;
  }
  return found;
}

Vessel *World::VesselAt(size_t position) const { return position < vessels.size() ? vessels[position].get() : nullptr; }

bool World::SetFocus(Vessel *vessel) {
  if (!IsLive(vessel)) return false;
  focus = vessel;
  return true;
}

SURFHANDLE World::RegisterExhaustTexture(const std::string &name) {
  if (name.empty()) return nullptr;
  auto found = textureByName.find(name);
  if (found != textureByName.end()) return found->second;
  textures.push_back(std::make_unique<std::string>(name));
  SURFHANDLE handle = textures.back().get();
  textureByName.emplace(name, handle);
  return handle;
}

std::string World::TextureName(SURFHANDLE texture) const {
  for (const auto &t : textures)
    if (t.get() == texture) return *t;
  return {};
}

void World::Advance() {
  const double dt = step;
  for (const auto &v : vessels) v->ApplyThrusters(dt);
  for (const auto &v : vessels)
    if (v->assembly == nullptr) v->Integrate(dt, *this);
  for (const auto &a : assemblies) a->Integrate(dt, *this);

  if (countStep != dt || time != countBase + static_cast<double>(stepCount) * countStep) {
    countBase = time;
    countStep = dt;
    stepCount = 0;
    // A time that is a whole number of steps is counted from 0, as a run that got there from 0
    // counts it: a run resumed from a saved time then reads the same clock as the run it continues.
    const double steps = std::round(time / dt);
    if (std::fabs(steps) < maxCountedSteps && steps * dt == time) {
      countBase = 0;
      stepCount = static_cast<long long>(steps);
    }
  }
  ++stepCount;
  time = countBase + static_cast<double>(stepCount) * countStep;
}

}  // namespace sim
