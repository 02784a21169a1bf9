#include "sim/scenario/ScenarioWorld.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "sim/scenario/HostAngles.h"
#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioText.h"
#include "sim/world/Assembly.h"
#include "sim/world/StateCheck.h"
#include "sim/world/World.h"

namespace sim {

namespace {

constexpr double radiansPerDegree = 3.14159265358979323846 / 180.0;
constexpr double degreesPerRadian = 180.0 / 3.14159265358979323846;

Vec3 Scaled(Vec3 v, double factor) { return {v.x * factor, v.y * factor, v.z * factor}; }

bool Same(Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

bool Same(const Mat3 &a, const Mat3 &b) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (a.m[i][j] != b.m[i][j]) return false;
  return true;
}

bool IsZero(Vec3 v) { return v.x == 0 && v.y == 0 && v.z == 0; }

// The vessel state a ship's AROT and VROT give; loading and capturing both go through these, so
// that a capture recognises an unchanged state exactly. The host's spin is the negative of the
// right-handed one.
Mat3 Orientation(Vec3 arot) { return RotationFromAngles(Scaled(arot, radiansPerDegree)); }
Vec3 Spin(Vec3 vrot) { return Scaled(vrot, -radiansPerDegree); }

// A tank's mass at a level: loading and capturing both go through this.
double TankMass(double capacity, double level) { return level * capacity; }

[[noreturn]] void Fail(const Scenario &scenario, size_t line, const std::string &problem) {
  if (line == 0) throw ScenarioError(scenario.source + ": " + problem);
  throw ScenarioError(scenario.source + ":" + std::to_string(line) + ": " + problem);
}

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

// A distance for messages, to four digits.
std::string Rounded(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", value);
  return text;
}

// Why a ship is not simulated, for messages.
std::string CarriedAs(const ShipState &ship) {
  if (ship.attached) return "attached to another vessel";
  if (ship.status == ShipStatus::Landed) return "landed on " + ship.body;
  return "orbiting " + ship.body;
}

// The ship the scenario's focus names, or the first; null without ships.
const ShipState *FocusShip(const Scenario &scenario) {
  for (const ShipState &ship : scenario.ships)
    if (!scenario.focus.empty() && Lower(ship.name) == Lower(scenario.focus)) return &ship;
  return scenario.ships.empty() ? nullptr : &scenario.ships.front();
}

// The class that gives a ship what its own lines do not: null for a ship that gives its mass and
// whose class is known nowhere. ScenarioError naming the file and the ship's line for a class
// known nowhere or described in part only, when the ship's lines do not make up for it, and for
// a class file that cannot be read.
const VesselClass *FindClass(const Scenario &scenario, const ShipState &ship, VesselClasses &classes) {
  const VesselClass *known = nullptr;
  const std::string of = "ship " + Quoted(ship.name) + " is of class " + Quoted(ship.className);
  try {
    known = classes.Find(ship.className);
  } catch (const ScenarioError &error) {
    Fail(scenario, ship.line, of + ": " + error.what());
  }
  if (known == nullptr) {
    if (ship.mass) return nullptr;
    const std::string where = classes.ConfigPath(ship.className);
    Fail(scenario, ship.line,
         of + ", which is known nowhere: give it MASS and PMI lines" +
             (where.empty() ? ", or --host-dir DIR with DIR/Config/Vessels/" + ship.className + ".cfg"
                            : ", or put " + where + " in place"));
  }
  std::string missing;
  if (!ship.mass && !known->mass) missing = "Mass";
  if (!ship.pmi && !known->pmi) missing += missing.empty() ? "Inertia" : " and no Inertia";
  if (!missing.empty())
    Fail(scenario, ship.line,
         of + ": " + known->source + " gives no " + missing +
             ", nor is the class built in: give the ship MASS and PMI lines, or add them to the file");
  return known;
}

// One simulated ship as it will be created: its class data resolved, its state known.
struct Draft {
  const ShipState *ship;
  std::unique_ptr<Vessel> vessel;  // not in any world: state and ports only
  std::vector<double> tanks;       // kg, capacities
  std::vector<double> levels;      // 0 .. 1, one per tank
  bool hasState = false;           // RPOS or ELEMENTS given
};

struct DockEdge {
  size_t a, portA, b, portB;  // draft indices and ports
  size_t line;                // the DOCKINFO line that gave it
};

}  // namespace

size_t ScenarioPlan::Carried() const {
  size_t count = 0;
  for (bool s : simulated) count += s ? 0 : 1;
  return count;
}

ScenarioPlan PlanScenario(const Scenario &scenario) {
  ScenarioPlan plan;
  const ShipState *giver = FocusShip(scenario);
  if (giver != nullptr && giver->status == ShipStatus::None) {
    giver = nullptr;
    for (const ShipState &ship : scenario.ships)
      if (ship.status != ShipStatus::None) {
        giver = &ship;
        break;
      }
  }
  if (giver != nullptr && giver->status != ShipStatus::None) {
    plan.body = FindBody(giver->body);
    if (plan.body == nullptr)
      Fail(scenario, giver->line,
           "ship " + Quoted(giver->name) + " is at " + Quoted(giver->body) +
               ", a central body not known here (Earth and Moon are)");
    if (scenario.gravity)
      Fail(scenario, scenario.gravityLine,
           std::string("GRAVITY cannot be given with ships at ") + plan.body->name +
               ": the body's own mass gives the gravity");
  }
  for (const ShipState &ship : scenario.ships) {
    bool simulated = !ship.attached;
    if (ship.status == ShipStatus::Landed) simulated = false;
    if (ship.status == ShipStatus::Orbiting && (plan.body == nullptr || Lower(ship.body) != Lower(plan.body->name)))
      simulated = false;
    plan.simulated.push_back(simulated);
  }
  return plan;
}

void RequireShips(const Scenario &scenario) {
  if (scenario.ships.empty())
    throw ScenarioError(scenario.source +
                        ": no ships: a scenario needs at least one, between BEGIN_SHIPS and END_SHIPS");
}

ScenarioPlan PopulateWorld(const Scenario &scenario, World &world) {
  VesselClasses stock;
  return PopulateWorld(scenario, world, stock);
}

ScenarioPlan PopulateWorld(const Scenario &scenario, World &world, VesselClasses &classes) {
  if (!(scenario.step > 0) || !std::isfinite(scenario.step)) throw ScenarioError("the step must be above 0");
  std::unordered_set<std::string> names;
  for (const ShipState &ship : scenario.ships) {
    if (ship.name.empty()) throw ScenarioError("a ship has no name");
    if (!names.insert(Lower(ship.name)).second) throw ScenarioError("ship \"" + ship.name + "\" is given twice");
  }
  const ScenarioPlan plan = PlanScenario(scenario);
  for (size_t i = 0; i < scenario.ships.size(); ++i)
    if (plan.simulated[i] && world.FindByName(scenario.ships[i].name) != nullptr)
      throw ScenarioError("vessel \"" + scenario.ships[i].name + "\" already exists");
  const double date = DateAt(scenario, scenario.time.value_or(0));

  // Every simulated ship drafted first, so that nothing reaches the world from a file with a fault.
  std::vector<Draft> drafts;
  std::unordered_map<std::string, size_t> draftOf;  // lower-case name
  for (size_t i = 0; i < scenario.ships.size(); ++i) {
    if (!plan.simulated[i]) continue;
    const ShipState &ship = scenario.ships[i];
    const VesselClass *known = FindClass(scenario, ship, classes);
    Draft draft;
    draft.ship = &ship;
    draft.vessel = std::make_unique<Vessel>(ship.name, ship.className);
    Vessel &v = *draft.vessel;
    // Field by field: the ship's own lines, then its class.
    v.dryMass = ship.mass ? *ship.mass : *known->mass;
    v.pmi = ship.pmi ? *ship.pmi : known != nullptr ? *known->pmi : Vec3{1, 1, 1};
    v.docks = !ship.docks.empty() || known == nullptr ? ship.docks : known->docks.value_or(std::vector<DockingPort>{});
    v.attachments = ship.attachments;
    if (known != nullptr && known->tanks) draft.tanks = *known->tanks;
    draft.levels.assign(draft.tanks.size(), 1.0);
    if (ship.fuel && !draft.levels.empty()) draft.levels[0] = *ship.fuel;
    for (const TankLevel &t : ship.levels)
      if (t.tank < draft.levels.size()) draft.levels[t.tank] = t.level;
    double mass = v.dryMass;
    for (size_t k = 0; k < draft.tanks.size(); ++k) mass += TankMass(draft.tanks[k], draft.levels[k]);

    v.rot = Orientation(ship.arot.value_or(Vec3{}));
    v.angVel = Spin(ship.vrot.value_or(Vec3{}));
    if (ship.elements) {
      if (plan.body == nullptr || ship.status != ShipStatus::Orbiting)
        Fail(scenario, ship.line,
             "ship " + Quoted(ship.name) + " gives ELEMENTS but no body to orbit: add STATUS Orbiting Earth");
      const double mu = gravitationalConstant * (mass + plan.body->mass);
      const OrbitalState state = StateFromElements(*ship.elements, date, mu);
      v.pos = state.pos;
      v.vel = state.vel;
    } else {
      v.pos = ship.rpos.value_or(Vec3{});
      v.vel = ship.rvel.value_or(Vec3{});
    }
    draft.hasState = ship.rpos.has_value() || ship.elements.has_value();
    draftOf.emplace(Lower(ship.name), drafts.size());
    drafts.push_back(std::move(draft));
  }

  // The docking ports that hold ships together, each pair once.
  std::vector<DockEdge> edges;
  std::map<std::pair<size_t, size_t>, size_t> edgeAt;  // (draft, port) → edge
  for (size_t d = 0; d < drafts.size(); ++d) {
    const ShipState &ship = *drafts[d].ship;
    for (const DockInfo &dock : ship.dockInfo) {
      auto found = draftOf.find(Lower(dock.other));
      if (found == draftOf.end()) {
        const ShipState *other = nullptr;
        for (const ShipState &s : scenario.ships)
          if (Lower(s.name) == Lower(dock.other)) other = &s;
        Fail(scenario, ship.dockInfoLine,
             "ship " + Quoted(ship.name) + " is docked to " + Quoted(dock.other) + ", which is " +
                 (other != nullptr ? CarriedAs(*other) : "not among the ships") + " and not simulated with it");
      }
      const size_t o = found->second;
      const Vessel &self = *drafts[d].vessel, &other = *drafts[o].vessel;
      if (dock.port >= self.docks.size())
        Fail(scenario, ship.dockInfoLine,
             "ship " + Quoted(ship.name) + " has no docking port " + std::to_string(dock.port) + " (it has " +
                 std::to_string(self.docks.size()) + ")");
      if (dock.otherPort >= other.docks.size())
        Fail(scenario, ship.dockInfoLine,
             "ship " + Quoted(other.Name()) + " has no docking port " + std::to_string(dock.otherPort) + " (it has " +
                 std::to_string(other.docks.size()) + ")");
      const DockEdge edge{d, dock.port, o, dock.otherPort, ship.dockInfoLine};
      const auto here = edgeAt.find({d, dock.port}), there = edgeAt.find({o, dock.otherPort});
      const bool sameEdge = here != edgeAt.end() && there != edgeAt.end() && here->second == there->second;
      if (sameEdge) continue;  // the other ship gave it too
      for (const auto &end : {std::pair{d, dock.port}, std::pair{o, dock.otherPort}})
        if (edgeAt.count(end) != 0)
          Fail(scenario, ship.dockInfoLine,
               "docking port " + std::to_string(end.second) + " of ship " + Quoted(drafts[end.first].ship->name) +
                   " is docked twice");
      edgeAt[{d, dock.port}] = edges.size();
      edgeAt[{o, dock.otherPort}] = edges.size();
      edges.push_back(edge);
    }
  }

  // Each group of docked ships placed from its first ship with a state of its own.
  std::vector<std::vector<size_t>> groupEdges;
  size_t groups = 0;
  std::vector<std::pair<size_t, size_t>> unplaced;  // free-space groups without a position: root, size
  std::vector<bool> grouped(drafts.size(), false);
  for (size_t start = 0; start < drafts.size(); ++start) {
    if (grouped[start]) continue;
    std::vector<size_t> members{start};
    grouped[start] = true;
    for (size_t i = 0; i < members.size(); ++i)
      for (const DockEdge &e : edges) {
        const size_t next = e.a == members[i] ? e.b : e.b == members[i] ? e.a : members[i];
        if (!grouped[next]) {
          grouped[next] = true;
          members.push_back(next);
        }
      }
    std::sort(members.begin(), members.end());
    size_t root = members.front();
    for (size_t m : members)
      if (drafts[m].hasState) {
        root = m;
        break;
      }
    const ShipState &rootShip = *drafts[root].ship;
    if (!drafts[root].hasState && rootShip.status == ShipStatus::Orbiting) {
      std::string problem =
          "ship " + Quoted(rootShip.name) + " orbits " + rootShip.body + " but gives neither RPOS nor ELEMENTS";
      if (members.size() > 1) problem += ", nor does any ship docked to it";
      Fail(scenario, rootShip.line, problem);
    }
    ++groups;
    if (!drafts[root].hasState && plan.body == nullptr && !scenario.gravity) unplaced.push_back({root, members.size()});
    if (members.size() < 2) continue;

    Vessel &first = *drafts[root].vessel;
    const Vec3 spin = first.rot * first.angVel;
    std::vector<bool> placed(drafts.size(), false);
    placed[root] = true;
    std::vector<size_t> order{root}, used;
    for (size_t i = 0; i < order.size(); ++i)
      for (size_t k = 0; k < edges.size(); ++k) {
        const DockEdge &e = edges[k];
        if (e.a != order[i] && e.b != order[i]) continue;
        if (std::find(used.begin(), used.end(), k) == used.end()) used.push_back(k);
        const bool forward = e.a == order[i];
        const size_t from = forward ? e.a : e.b, to = forward ? e.b : e.a;
        const size_t fromPort = forward ? e.portA : e.portB, toPort = forward ? e.portB : e.portA;
        if (placed[to]) continue;
        Vessel &moved = *drafts[to].vessel;
        if (!PlaceAtDock(*drafts[from].vessel, fromPort, moved, toPort))
          Fail(scenario, e.line,
               "the docking ports of " + Quoted(drafts[e.a].ship->name) + " and " + Quoted(drafts[e.b].ship->name) +
                   " cannot meet: a port's direction and alignment do not span a plane");
        // It moves with the ship it is docked to, as one body.
        moved.vel = first.vel + Cross(spin, moved.pos - first.pos);
        moved.angVel = Transposed(moved.rot) * spin;
        placed[to] = true;
        order.push_back(to);
      }
    groupEdges.push_back(used);
  }

  // In free space nothing else says where a ship is: a lone one may sit at the origin, but among
  // others the origin would put it on top of one of them. (With a body there, the check of the
  // first frame below says more.)
  if (groups > 1 && !unplaced.empty()) {
    const ShipState &ship = *drafts[unplaced.front().first].ship;
    Fail(scenario, ship.line,
         "ship " + Quoted(ship.name) + " gives no RPOS" +
             (unplaced.front().second > 1 ? ", nor does any ship docked to it" : "") +
             ": among other vessels in free space a ship needs its position, RPOS x y z (m)");
  }

  // Nothing reaches the world that the first frame could not carry on.
  const std::optional<double> gravityGM =
      plan.body != nullptr ? std::optional<double>(gravitationalConstant * plan.body->mass) : scenario.gravity;
  for (const Draft &draft : drafts) {
    const ShipState &ship = *draft.ship;
    switch (FaultOf(*draft.vessel, gravityGM, scenario.step)) {
      case StateFault::None:
        break;
      case StateFault::NotFinite:
        Fail(scenario, ship.line, "ship " + Quoted(ship.name) + ": its position or motion does not come out finite");
      case StateFault::OutOfRange:
        Fail(scenario, ship.line,
             "ship " + Quoted(ship.name) + " lies or moves out of range: a position or velocity beyond " +
                 Rounded(maxCoordinate) + " m or m/s");
      case StateFault::AtCentre: {
        const double radius = CentreRadius(*gravityGM, scenario.step);
        Fail(scenario, ship.line,
             "ship " + Quoted(ship.name) + " lies at the centre of " +
                 (plan.body != nullptr ? std::string(plan.body->name) : std::string("the body of GRAVITY")) +
                 ", within " + Rounded(radius) + " m of it, where no step of " + FormatReal(scenario.step) +
                 " s can follow it" + (ship.rpos || ship.elements ? "" : ": give it RPOS"));
      }
    }
  }

  // Into the world.
  std::vector<Vessel *> made;
  for (Draft &draft : drafts) {
    const Vessel &from = *draft.vessel;
    Vessel *v = world.CreateVessel(from.Name(), from.ClassName());
    if (v == nullptr) throw ScenarioError("vessel \"" + from.Name() + "\" cannot be created");
    v->dryMass = from.dryMass;
    v->pmi = from.pmi;
    v->pos = from.pos;
    v->vel = from.vel;
    v->rot = from.rot;
    v->angVel = from.angVel;
    v->docks = from.docks;
    v->attachments = from.attachments;
    for (size_t k = 0; k < draft.tanks.size(); ++k)
      v->CreatePropellant(draft.tanks[k], TankMass(draft.tanks[k], draft.levels[k]), 1.0);
    v->ownTanks = draft.tanks.size();
    made.push_back(v);
  }
  for (const std::vector<size_t> &group : groupEdges) {
    std::vector<DockJoint> joints;
    for (size_t k : group) {
      const DockEdge &e = edges[k];
      joints.push_back({made[e.a], e.portA, made[e.b], e.portB});
    }
    if (world.Join(joints) == nullptr) throw ScenarioError(scenario.source + ": docked ships cannot be joined");
  }

  world.step = scenario.step;
  world.time = scenario.time.value_or(0);
  world.gravityGM = gravityGM;
  const ShipState *focus = FocusShip(scenario);
  Vessel *focusVessel = focus != nullptr ? world.FindByName(focus->name) : nullptr;
  if (focusVessel == nullptr && !made.empty()) focusVessel = made.front();
  if (focusVessel != nullptr) world.SetFocus(focusVessel);
  return plan;
}

Scenario CaptureWorld(const World &world, const Scenario *loaded) {
  Scenario scenario;
  if (loaded != nullptr) {
    scenario = *loaded;
    scenario.ships.clear();
    if (loaded->date) scenario.date = DateAt(*loaded, world.time);
  } else {
    scenario.gravity = world.gravityGM;
  }
  scenario.step = world.step;
  // The clock, for a run resumed from the file to go on from it.
  if (world.time != 0 || scenario.time) scenario.time = world.time;

  // The focus the load gave is written as the file named it.
  if (world.Focus() != nullptr) scenario.focus = world.Focus()->Name();
  ScenarioPlan plan;
  if (loaded != nullptr) {
    plan = PlanScenario(*loaded);
    // The vessel the load gave the focus: the focus ship's, or the first simulated one.
    const ShipState *focusShip = FocusShip(*loaded);
    std::string initial;
    for (size_t i = 0; i < loaded->ships.size(); ++i)
      if (plan.simulated[i] && (initial.empty() || &loaded->ships[i] == focusShip)) initial = loaded->ships[i].name;
    if (world.Focus() == nullptr || Lower(world.Focus()->Name()) == Lower(initial)) scenario.focus = loaded->focus;
  }

  std::set<const Vessel *> written;
  for (size_t i = 0; loaded != nullptr && i < loaded->ships.size(); ++i) {
    const ShipState &before = loaded->ships[i];
    if (!plan.simulated[i]) {
      ShipState carried = before;
      carried.carried = true;
      scenario.ships.push_back(std::move(carried));
      continue;
    }
    const Vessel *vessel = world.FindByName(before.name);
    if (vessel == nullptr) continue;  // deleted during the run
    written.insert(vessel);
    ShipState ship = before;
    ship.carried = false;
    const bool orbiting = before.status == ShipStatus::Orbiting;
    ship.elements.reset();
    if (before.rpos || before.elements || orbiting || !IsZero(vessel->pos)) ship.rpos = vessel->pos;
    if (before.rvel || before.elements || orbiting || !IsZero(vessel->vel)) ship.rvel = vessel->vel;

    // Degrees to radians and angles to a matrix do not invert exactly: numbers that still give the
    // vessel's state are written back as they were read.
    if (before.arot && Same(Orientation(*before.arot), vessel->rot))
      ship.arot = before.arot;
    else if (before.arot || !Same(vessel->rot, Mat3{}))
      ship.arot = Scaled(AnglesFromRotation(vessel->rot), degreesPerRadian);
    if (before.vrot && Same(Spin(*before.vrot), vessel->angVel))
      ship.vrot = before.vrot;
    else if (before.vrot || !IsZero(vessel->angVel))
      ship.vrot = Scaled(vessel->angVel, -degreesPerRadian);

    // The class's tanks: a level that still gives the tank's mass is kept as read.
    const auto &tanks = vessel->Propellants();
    std::vector<double> read(vessel->ownTanks, 1.0);
    if (before.fuel && !read.empty()) read[0] = *before.fuel;
    for (const TankLevel &t : before.levels)
      if (t.tank < read.size()) read[t.tank] = t.level;
    std::vector<TankLevel> levels;
    bool asRead = true;
    for (size_t k = 0; k < vessel->ownTanks && k < tanks.size(); ++k) {
      const Propellant &tank = *tanks[k];
      double level = read[k];
      if (TankMass(tank.maxMass, level) != tank.mass) {
        level = tank.maxMass > 0 ? tank.mass / tank.maxMass : 0.0;
        asRead = false;
      }
      levels.push_back({k, level});
    }
    // Levels as read keep their FUEL or PRPLEVEL line (or none) as it was.
    if (!asRead) {
      // Entries for tanks the class does not have stay as they were.
      for (const TankLevel &t : before.levels)
        if (t.tank >= vessel->ownTanks) levels.push_back(t);
      ship.fuel.reset();
      ship.levels = levels;
    }

    // Docking: what still holds.
    ship.dockInfo.clear();
    const Assembly *assembly = vessel->DockedIn();
    for (const DockInfo &dock : before.dockInfo) {
      const Vessel *other = world.FindByName(dock.other);
      bool holds = false;
      for (size_t j = 0; assembly != nullptr && other != nullptr && j < assembly->Joints().size(); ++j) {
        const DockJoint &joint = assembly->Joints()[j];
        holds = holds ||
                (joint.a == vessel && joint.portA == dock.port && joint.b == other && joint.portB == dock.otherPort) ||
                (joint.b == vessel && joint.portB == dock.port && joint.a == other && joint.portA == dock.otherPort);
      }
      if (holds) ship.dockInfo.push_back(dock);
    }
    scenario.ships.push_back(std::move(ship));
  }

  for (size_t i = 0; i < world.VesselCount(); ++i) {
    const Vessel &vessel = *world.VesselAt(i);
    if (written.count(&vessel) != 0) continue;
    ShipState ship;
    ship.name = vessel.Name();
    ship.className = vessel.ClassName();
    if (plan.body != nullptr) {
      ship.status = ShipStatus::Orbiting;
      ship.body = plan.body->name;
    }
    ship.mass = vessel.dryMass;
    ship.pmi = vessel.pmi;
    ship.rpos = vessel.pos;
    ship.rvel = vessel.vel;
    ship.arot = Scaled(AnglesFromRotation(vessel.rot), degreesPerRadian);
    ship.vrot = Scaled(vessel.angVel, -degreesPerRadian);
    ship.docks = vessel.docks;
    ship.attachments = vessel.attachments;
    if (const Assembly *assembly = vessel.DockedIn())
      for (const DockJoint &joint : assembly->Joints()) {
        if (joint.a == &vessel) ship.dockInfo.push_back({joint.portA, joint.portB, joint.b->Name()});
        if (joint.b == &vessel) ship.dockInfo.push_back({joint.portB, joint.portA, joint.a->Name()});
      }
    scenario.ships.push_back(std::move(ship));
  }
  return scenario;
}

}  // namespace sim
