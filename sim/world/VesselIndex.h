// The world's two vessel lookups, by name (case-insensitive) and by handle, in constant time
// and without allocating: a plug-in resolves its vessels by name every frame, so a lookup must
// cost the same among thousands of vessels as among two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace sim {

class Vessel;

class VesselIndex {
public:
  // `name` must not be taken yet (case-insensitively); `vessel` must not be in the index yet.
  void Insert(Vessel *vessel, std::string_view name, size_t position);
  void Erase(const Vessel *vessel, std::string_view name);
  // Moves a vessel that is in the index to another list position.
  void SetPosition(const Vessel *vessel, size_t position);

  // Null when no vessel has the name.
  Vessel *FindByName(std::string_view name) const;
  // The vessel's list position; `absent` when the handle is not in the index.
  size_t PositionOf(const Vessel *vessel, size_t absent) const {
    if (count == 0 || vessel == nullptr) return absent;
    for (size_t i = HandleHash(vessel) & Mask(); byHandle[i].vessel != nullptr; i = (i + 1) & Mask())
      if (byHandle[i].vessel == vessel) return byHandle[i].position;
    return absent;
  }
  size_t Count() const { return count; }

  static bool SameName(std::string_view a, std::string_view b);

private:
  // Open addressing with linear probing in a power-of-two table kept at most half full, so that
  // a probe stops at the first empty slot a short way on.
  struct Slot {
    Vessel *vessel = nullptr;  // null: empty
    uint64_t nameHash = 0;
    size_t position = 0;  // kept up to date in the handle table only
  };

  static uint64_t NameHash(std::string_view name);
  // The high bits of a multiplicative hash, moved down: handles differ mostly in their middle bits.
  static uint64_t HandleHash(const Vessel *vessel) {
    const uint64_t h = reinterpret_cast<uintptr_t>(vessel) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
  }
  size_t Mask() const { return byName.size() - 1; }
  void Grow();
  // Removes slot `hole` and shifts later slots of the same probe run back into it.
  static void EraseAt(std::vector<Slot> &table, size_t hole, bool byHandle);

  std::vector<Slot> byName, byHandle;
  size_t count = 0;
};

}  // namespace sim
