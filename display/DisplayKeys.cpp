#include <cmath>
#include <cstdint>

#include "../plugin/TetherData.h"
#include "TetherDisplay.h"

namespace {

constexpr double lengthStep = 0.2;     // fraction of the setup length per press
constexpr double forceStep = 0.2;      // fraction of the setup force per press
constexpr double minLength = 10.0;     // m, applied only when shortening
constexpr double maxLength = 1.0e7;    // m, applied only when lengthening
constexpr double minForce = 0.0;       // N per percent, applied only when lowering
constexpr double maxForce = 1.0e6;     // N per percent, applied only when raising

// The next docking port of the chosen kind-1 attach point, wrapping after the last port. The
// number is read as unsigned, so a negative one from a scenario starts over at port 0.
void NextDockingPort(VESSEL *vessel, int32_t &number) {
  uint32_t next = static_cast<uint32_t>(number) + 1u;
  if (next >= vessel->DockCount()) next = 0;
  number = static_cast<int32_t>(next);
}

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

bool TetherDisplay::ConsumeKeyBuffered(DWORD key) {
  if (tetherData == nullptr) return false;
  TetherData &data = *tetherData;
  // Both setup vessels are resolved once for the whole key; a name that names no vessel leaves
  // the commands that need it without effect.
  VESSEL *own = ResolveVessel(data.thisShipName);
  VESSEL *target = ResolveVessel(data.targetShipName);

  // Unsigned: codes 0 and 1 wrap to large numbers and fall out with everything above the slash.
  if (key - 2u > 51u) return false;

  TetherLink *link = nullptr;
  switch (key) {
  case DIK_1:
    data.attachTypeV1 = 0;
    break;
  case DIK_2:
    if (own != nullptr) data.attachTypeV1 = own->DockCount() > 0 ? 1 : 0;
    break;
  case DIK_3:
    if (own != nullptr) data.attachTypeV1 = own->AttachmentCount(false) > 0 ? 2 : 0;
    break;
  case DIK_4:
    data.attachTypeV2 = 0;
    break;
  case DIK_5:
    if (target != nullptr) data.attachTypeV2 = target->DockCount() > 0 ? 1 : 0;
    break;
  case DIK_6:
    if (target != nullptr) data.attachTypeV2 = target->AttachmentCount(false) > 0 ? 2 : 0;
    break;
  case DIK_7:
    if (data.attachTypeV1 == 0) return true;
    if (data.attachTypeV1 == 1 && own != nullptr) NextDockingPort(own, data.attachNoV1);
    break;
  case DIK_8:
    if (data.attachTypeV2 == 0) return true;
    if (data.attachTypeV2 == 1 && target != nullptr) NextDockingPort(target, data.attachNoV2);
    break;
  case DIK_MINUS:
    data.NextTarget();
    break;
  case DIK_EQUALS:
    data.PrevTarget();
    break;
  case DIK_U:
    if ((link = data.CurrentLink()) != nullptr) link->Disconnect();
    break;
  case DIK_I:
    if ((link = data.CurrentLink()) != nullptr) link->DecreaseReelSpeed();
    break;
  case DIK_O:
    if ((link = data.CurrentLink()) != nullptr) link->IncreaseReelSpeed();
    break;
  case DIK_LBRACKET:
    data.setupLength = data.setupLength - data.setupLength * lengthStep;
    if (data.setupLength < minLength) data.setupLength = minLength;
    break;
  case DIK_RBRACKET:
    data.setupLength = data.setupLength * lengthStep + data.setupLength;
    if (data.setupLength > maxLength) data.setupLength = maxLength;
    break;
  case DIK_A:
    // The refresh serves later keys and redraws; this key measures between the vessels it
    // resolved on entry. The origins count, not the attach points, and no bound applies.
    data.RefreshSetup();
    if (own != nullptr && target != nullptr) {
      VECTOR3 p1, p2;
      own->GetGlobalPos(p1);
      target->GetGlobalPos(p2);
      const double dx = p1.x - p2.x;
      const double dy = p1.y - p2.y;
      const double dz = p1.z - p2.z;
      data.setupLength = std::sqrt(dx * dx + dy * dy + dz * dz);
    }
    break;
  case DIK_S:
    if ((link = data.CurrentLink()) != nullptr) link->ToggleSpoolMode();
    break;
  case DIK_J:
    // Ties with the names of the last refresh. Kinds 0 and 2 tie at the vessel's origin.
    if (own != nullptr && target != nullptr && (link = data.CurrentLink()) != nullptr) {
      VECTOR3 attach1 = {{0.0, 0.0, 0.0}};
      VECTOR3 attach2 = {{0.0, 0.0, 0.0}};
      if (data.attachTypeV1 == 1) attach1 = DockingPortPosition(own, data.attachNoV1);
      if (data.attachTypeV2 == 1) attach2 = DockingPortPosition(target, data.attachNoV2);
      link->Connect(data.thisShipName, data.targetShipName, data.setupLength, data.setupForce, attach1, attach2);
    }
    break;
  case DIK_K:
    if ((link = data.CurrentLink()) != nullptr) link->DecreaseForce();
    return true;
  case DIK_L:
    if ((link = data.CurrentLink()) != nullptr) link->IncreaseForce();
    return true;
  case DIK_SEMICOLON:
    data.setupForce = data.setupForce - data.setupForce * forceStep;
    if (data.setupForce < minForce) data.setupForce = minForce;
    break;
  case DIK_APOSTROPHE:
    data.setupForce = data.setupForce * forceStep + data.setupForce;
    if (data.setupForce > maxForce) data.setupForce = maxForce;
    break;
  case DIK_COMMA: {
    // Widened so that a far-off index from a scenario cannot overflow.
    int64_t previous = int64_t{data.currentTether} - 1;
    if (previous < 0) previous = TetherData::linkCount - 1;
    data.currentTether = static_cast<int32_t>(previous);
    break;
  }
  case DIK_PERIOD: {
    int64_t next = int64_t{data.currentTether} + 1;
    if (next > TetherData::linkCount - 1) next = 0;
    data.currentTether = static_cast<int32_t>(next);
    break;
  }
  case DIK_SLASH:
    return true;
  default:
    return false;
  }
  InvalidateDisplay();
  return true;
}
