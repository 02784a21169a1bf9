// Vessel lookups and name copies shared by the tether link and the registry. A link keeps vessel
// names, not pointers, so every use goes through the host; the one pointer a link keeps
// (hostVessel) is checked against the host's vessel list before anything is called on it.
#pragma once

#include <cstddef>
#include <cstring>

#include "Orbitersdk.h"

namespace kestrane {

// The interface of the vessel of that name, null when no vessel has it.
inline VESSEL *FindVessel(const char *name) {
  // The host takes the name as char * but does not write to it.
  OBJHANDLE handle = oapiGetVesselByName(const_cast<char *>(name));
  return handle ? oapiGetVesselInterface(handle) : nullptr;
}

// Whether the host's name of a vessel is `name`, as the host compares names: without regard to the
// case of ASCII letters.
inline bool IsVesselName(const char *vesselName, const char *name) {
  if (vesselName == nullptr) return false;
  for (;; ++vesselName, ++name) {
    char a = *vesselName, b = *name;
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
    if (a == '\0') return true;
  }
}

// A vessel known by name and found anew at every use, as FindVessel finds it. The host finds a
// name by comparing it with the name of every vessel in its list in turn, and checks a handle by
// comparing handles: so the handle the last search gave is used again while the host still has
// that vessel (oapiIsVessel) and it bears the name asked for, and otherwise the name is searched
// for. The answer is FindVessel's: a vessel keeps its name while it exists, and the first vessel
// of a name stays the first while it exists, as the host puts new vessels at the end of its list.
class VesselByName {
public:
  VESSEL *Find(const char *name) {
    if (handle != nullptr && oapiIsVessel(handle)) {
      VESSEL *vessel = oapiGetVesselInterface(handle);
      if (vessel != nullptr && IsVesselName(vessel->GetName(), name)) return vessel;
    }
    handle = oapiGetVesselByName(const_cast<char *>(name));
    return handle ? oapiGetVesselInterface(handle) : nullptr;
  }

private:
  OBJHANDLE handle = nullptr;  // of the last search
};

// Whether `vessel` is the interface of a vessel that still exists. `expectedName` is where the
// vessel is most likely found (one lookup); otherwise the whole vessel list is searched.
inline bool VesselExists(const VESSEL *vessel, const char *expectedName) {
  if (vessel == nullptr) return false;
  if (expectedName != nullptr && FindVessel(expectedName) == vessel) return true;
  const DWORD count = oapiGetVesselCount();
  for (DWORD i = 0; i < count; ++i) {
    OBJHANDLE handle = oapiGetVesselByIndex(static_cast<int>(i));
    if (handle && oapiGetVesselInterface(handle) == vessel) return true;
  }
  return false;
}

// Copies a terminated name into a buffer of `size` characters, cutting it to size − 1 characters
// so that the copy is always terminated.
inline void CopyName(char *dest, size_t size, const char *src) {
  if (size == 0) return;
  if (src == nullptr) src = "";
  size_t n = 0;
  while (n + 1 < size && src[n] != '\0') ++n;
  std::memcpy(dest, src, n);
  dest[n] = '\0';
}

}  // namespace kestrane
