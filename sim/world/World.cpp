#include "sim/world/World.h"

#include <cmath>

namespace sim {

namespace {

World *current = nullptr;

// Steps beyond this many are not counted exactly in a double.
constexpr double maxCountedSteps = 4503599627370496.0;  // 2^52

}  // namespace

World *CurrentWorld() { return current; }

World::World() { current = this; }

World::~World() {
  if (current == this) current = nullptr;
}

Vessel *World::CreateVessel(const std::string &name, const std::string &className) {
  if (name.empty()) return nullptr;
  if (index.FindByName(name) != nullptr) return nullptr;
  vessels.push_back(std::make_unique<Vessel>(name, className));
  Vessel *v = vessels.back().get();
  index.Insert(v, v->Name(), vessels.size() - 1);
  if (focus == nullptr) focus = v;
  return v;
}

bool World::DeleteVessel(Vessel *vessel) {
  const size_t position = IndexOf(vessel);
  if (position == vessels.size()) return false;
  index.Erase(vessel, vessel->Name());
  retired.push_back(std::move(vessels[position]));
  vessels.erase(vessels.begin() + static_cast<std::ptrdiff_t>(position));
  for (size_t i = position; i < vessels.size(); ++i) index.SetPosition(vessels[i].get(), i);
  vessel->Retire();
  if (focus == vessel) focus = vessels.empty() ? nullptr : vessels.front().get();
  return true;
}

Vessel *World::FindByName(std::string_view name) const {
  return index.FindByName(name);
}

Vessel *World::VesselAt(size_t position) const {
  return position < vessels.size() ? vessels[position].get() : nullptr;
}

bool World::IsLive(const Vessel *vessel) const { return IndexOf(vessel) != vessels.size(); }

size_t World::IndexOf(const Vessel *vessel) const {
  return index.PositionOf(vessel, vessels.size());
}

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

Vec3 World::GravityAt(Vec3 pos) const {
  if (!gravityGM) return {};
  double r = Length(pos);
  if (!(r > 0)) return {};
  return pos * (-*gravityGM / (r * r * r));
}

void World::Frame(const std::function<void()> &perFrame) {
  ClearPluginForces();
  if (perFrame) perFrame();
  const double dt = step;
  for (const auto &v : vessels) v->ApplyThrusters(dt);
  for (const auto &v : vessels) v->Integrate(dt, GravityAt(v->pos));

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
