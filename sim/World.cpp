#include "World.h"

#include <cctype>

namespace sim {

namespace {

World *current = nullptr;

std::string Folded(std::string_view name) {
  std::string folded(name);
  for (char &c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

}  // namespace

World *CurrentWorld() { return current; }

World::World() { current = this; }

World::~World() {
  if (current == this) current = nullptr;
}

Vessel *World::CreateVessel(const std::string &name, const std::string &className) {
  if (name.empty()) return nullptr;
  std::string key = Folded(name);
  if (byName.count(key) != 0) return nullptr;
  vessels.push_back(std::make_unique<Vessel>(name, className));
  Vessel *v = vessels.back().get();
  byName.emplace(std::move(key), v);
  indexOf.emplace(v, vessels.size() - 1);
  if (focus == nullptr) focus = v;
  return v;
}

bool World::DeleteVessel(Vessel *vessel) {
  auto found = indexOf.find(vessel);
  if (found == indexOf.end()) return false;
  size_t index = found->second;
  indexOf.erase(found);
  byName.erase(Folded(vessel->Name()));
  retired.push_back(std::move(vessels[index]));
  vessels.erase(vessels.begin() + static_cast<std::ptrdiff_t>(index));
  for (size_t i = index; i < vessels.size(); ++i) indexOf[vessels[i].get()] = i;
  vessel->Retire();
  if (focus == vessel) focus = vessels.empty() ? nullptr : vessels.front().get();
  return true;
}

Vessel *World::FindByName(std::string_view name) const {
  auto found = byName.find(Folded(name));
  return found == byName.end() ? nullptr : found->second;
}

Vessel *World::VesselAt(size_t index) const { return index < vessels.size() ? vessels[index].get() : nullptr; }

bool World::IsLive(const Vessel *vessel) const { return vessel != nullptr && indexOf.count(vessel) != 0; }

size_t World::IndexOf(const Vessel *vessel) const {
  auto found = indexOf.find(vessel);
  return found == indexOf.end() ? vessels.size() : found->second;
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
  pluginForces.clear();
  if (perFrame) perFrame();
  const double dt = step;
  for (const auto &v : vessels) v->ApplyThrusters(dt);
  for (const auto &v : vessels) v->Integrate(dt, GravityAt(v->pos));

  if (countStep != dt || time != countBase + static_cast<double>(stepCount) * countStep) {
    countBase = time;
    countStep = dt;
    stepCount = 0;
  }
  ++stepCount;
  time = countBase + static_cast<double>(stepCount) * countStep;
}

}  // namespace sim
