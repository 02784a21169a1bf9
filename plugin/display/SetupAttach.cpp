#include "plugin/display/SetupAttach.h"

#include "plugin/math/VecMath.h"
#include "plugin/registry/TetherData.h"

namespace kestrane {

namespace {

// The position of a docking port in its vessel's frame; the vessel's centre when the number no
// longer names one of its ports (the vessel changed, or the number came from a scenario).
VECTOR3 DockingPortPosition(VESSEL *vessel, int32_t number) {
  VECTOR3 pos = {{0.0, 0.0, 0.0}};
  if (number < 0 || static_cast<UINT>(number) >= vessel->DockCount()) return pos;
  DOCKHANDLE dock = vessel->GetDockHandle(static_cast<UINT>(number));
  if (dock == nullptr) return pos;
  VECTOR3 dir, rot;
  vessel->GetDockParams(dock, pos, dir, rot);
  return pos;
}

}  // namespace

SetupAttachPoints SetupAttach(const TetherData &data, VESSEL *own, VESSEL *target) {
  SetupAttachPoints points = {{{0.0, 0.0, 0.0}}, {{0.0, 0.0, 0.0}}};
  if (data.attachTypeV1 == 1) points.own = DockingPortPosition(own, data.attachNoV1);
  if (data.attachTypeV2 == 1) points.target = DockingPortPosition(target, data.attachNoV2);
  return points;
}

double SetupDistance(const TetherData &data, VESSEL *own, VESSEL *target) {
  const SetupAttachPoints points = SetupAttach(data, own, target);
  MATRIX3 rotation1, rotation2;
  return VectorLength(AttachPointSpan(own, points.own, target, points.target, rotation1, rotation2));
}

}  // namespace kestrane
