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
