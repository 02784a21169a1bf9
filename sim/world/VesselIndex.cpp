#include "sim/world/VesselIndex.h"

#include <cstring>

#include "sim/world/Vessel.h"

namespace sim {

namespace {

constexpr size_t initialSlots = 16;

// Eight characters of a name, or all of a shorter rest, in one word with the letters A to Z
// folded to a to z, so that names are hashed and compared a word at a time. A rest of 4 to 7
// characters is read as two overlapping halves and one of 1 to 3 as its first, middle and last
// character: both cover every character, and names of like lengths take the same branch.
uint64_t FoldedWord(const char *chars, size_t count) {
  uint64_t w = 0;
  if (count >= 8) {
    std::memcpy(&w, chars, 8);
  } else if (count >= 4) {
    uint32_t low, high;
    std::memcpy(&low, chars, 4);
    std::memcpy(&high, chars + count - 4, 4);
    w = low | static_cast<uint64_t>(high) << 32;
  } else if (count > 0) {
    w = static_cast<uint64_t>(static_cast<unsigned char>(chars[0])) |
        static_cast<uint64_t>(static_cast<unsigned char>(chars[count / 2])) << 8 |
        static_cast<uint64_t>(static_cast<unsigned char>(chars[count - 1])) << 16;
  }
  constexpr uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
  // Per byte, with no carry into the next: the high bit of `atLeastA` is set for 'A' and above,
  // that of `aboveZ` for above 'Z'; bytes of 0x80 and above are never letters.
  const uint64_t low7 = w & ~highs;
  const uint64_t atLeastA = low7 + (0x80 - 'A') * ones;
  const uint64_t aboveZ = low7 + (0x80 - 'Z' - 1) * ones;
  const uint64_t upper = atLeastA & ~aboveZ & ~w & highs;
  return w | (upper >> 2);
}

}  // namespace

bool VesselIndex::SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i += 8)
    if (FoldedWord(a.data() + i, a.size() - i) != FoldedWord(b.data() + i, b.size() - i)) return false;
  return true;
}

uint64_t VesselIndex::NameHash(std::string_view name) {
  uint64_t hash = name.size();
  for (size_t i = 0; i < name.size(); i += 8) {
    hash = (hash ^ FoldedWord(name.data() + i, name.size() - i)) * 0x9E3779B97F4A7C15ull;
    hash ^= hash >> 32;
  }
  return hash;
}

void VesselIndex::Grow() {
  std::vector<Slot> oldByName, oldByHandle;
  oldByName.swap(byName);
  oldByHandle.swap(byHandle);
  const size_t size = oldByName.empty() ? initialSlots : 2 * oldByName.size();
  byName.assign(size, Slot{});
  byHandle.assign(size, Slot{});
  for (const Slot &slot : oldByName) {
    if (slot.vessel == nullptr) continue;
    size_t i = slot.nameHash & Mask();
    while (byName[i].vessel != nullptr) i = (i + 1) & Mask();
    byName[i] = slot;
  }
  // The list positions are kept in the handle table only.
  for (const Slot &slot : oldByHandle) {
    if (slot.vessel == nullptr) continue;
    size_t i = HandleHash(slot.vessel) & Mask();
    while (byHandle[i].vessel != nullptr) i = (i + 1) & Mask();
    byHandle[i] = slot;
  }
}

void VesselIndex::Insert(Vessel *vessel, std::string_view name, size_t position) {
  if (2 * (count + 1) > byName.size()) Grow();
  const Slot slot{vessel, NameHash(name), position};
  size_t i = slot.nameHash & Mask();
  while (byName[i].vessel != nullptr) i = (i + 1) & Mask();
  byName[i] = slot;
  i = HandleHash(vessel) & Mask();
  while (byHandle[i].vessel != nullptr) i = (i + 1) & Mask();
  byHandle[i] = slot;
  ++count;
}

void VesselIndex::EraseAt(std::vector<Slot> &table, size_t hole, bool handleKeyed) {
  const size_t mask = table.size() - 1;
  for (size_t next = (hole + 1) & mask; table[next].vessel != nullptr; next = (next + 1) & mask) {
    const uint64_t hash = handleKeyed ? HandleHash(table[next].vessel) : table[next].nameHash;
    const size_t home = hash & mask;
    // The slot may move back into the hole only if its home does not lie after the hole.
    const bool homeBetween = hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
    if (homeBetween) continue;
    table[hole] = table[next];
    hole = next;
  }
  table[hole] = Slot{};
}

void VesselIndex::Erase(const Vessel *vessel, std::string_view name) {
  if (count == 0) return;
  for (size_t i = NameHash(name) & Mask(); byName[i].vessel != nullptr; i = (i + 1) & Mask()) {
    if (byName[i].vessel != vessel) continue;
    EraseAt(byName, i, false);
    break;
  }
  for (size_t i = HandleHash(vessel) & Mask(); byHandle[i].vessel != nullptr; i = (i + 1) & Mask()) {
    if (byHandle[i].vessel != vessel) continue;
    EraseAt(byHandle, i, true);
    --count;
    return;
  }
}

void VesselIndex::SetPosition(const Vessel *vessel, size_t position) {
  if (count == 0) return;
  for (size_t i = HandleHash(vessel) & Mask(); byHandle[i].vessel != nullptr; i = (i + 1) & Mask()) {
    if (byHandle[i].vessel != vessel) continue;
    byHandle[i].position = position;
    return;
  }
}

Vessel *VesselIndex::FindByName(std::string_view name) const {
  if (count == 0) return nullptr;
  const uint64_t hash = NameHash(name);
  for (size_t i = hash & Mask(); byName[i].vessel != nullptr; i = (i + 1) & Mask()) {
    const Slot &slot = byName[i];
    if (slot.nameHash == hash && SameName(slot.vessel->Name(), name)) return slot.vessel;
  }
  return nullptr;
}

}  // namespace sim
