// What the simulated host knows of the Kestrane plug-in beyond the host interface, in one place:
// the module's file and display mode, its links, the words of its scenario block and the order of
// the forces it adds. The host never includes the plug-in's headers; where a fact here must agree
// with the plug-in's code, the plug-in's file is named beside it. The tests of the host against
// the built module (tests/sim, tests/e2e) are what checks that they still agree.
//
// Three things build on these facts and are not part of them: the tether samples read from the
// block (TetherBlock), the values a run writes into the block (BlockSettings) and the warnings
// about a block's lines (BlockWarnings), which follow the plug-in's reading rules
// (persist/TetherScenario.cpp). The description of the display's keys for the user (KeyGuide)
// and the host's key names (KeyNames) are the host's own teaching and vocabulary: nothing in the
// host's working relies on them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/world/World.h"

namespace sim::plugin {

// The module's file, beside the host's program.
#ifdef _WIN32
constexpr std::string_view moduleFile = "Kestrane.dll";
#else
constexpr std::string_view moduleFile = "kestrane.so";
#endif

// The display mode the module registers (display/TetherDisplay.cpp): the MODE of its display
// blocks and its display's title. Its module block is BEGIN_ followed by its name, the module's
// file name without the extension (also "Kestrane").
constexpr const char *modeName = "Kestrane";

// The module's links (plugin/TetherData.h), numbered 0 to linkCount − 1 in the block, the CSV
// files and the display.
constexpr int linkCount = 8;
// The characters of a vessel name a link keeps (tether/TetherLink.h, without the terminator).
constexpr size_t longestName = 127;

// The block (persist/TetherScenario.cpp): the setup lines, each a key and one number, in the
// order the module writes them.
constexpr std::string_view setupLength = "SetupTetherLength";  // m
constexpr std::string_view setupForce = "SetupTetherForce";    // N per percent of stretch
constexpr std::string_view setupTargetIndex = "SetupTargetIndex";
constexpr std::string_view currentTether = "CurrentTether";
constexpr std::string_view attachTypeV1 = "attach_type_v1";
constexpr std::string_view attachNoV1 = "attach_no_v1";
constexpr std::string_view attachTypeV2 = "attach_type_v2";
constexpr std::string_view attachNoV2 = "attach_no_v2";
constexpr std::string_view setupKeys[] = {setupLength,  setupForce, setupTargetIndex, currentTether,
                                          attachTypeV1, attachNoV1, attachTypeV2,     attachNoV2};
// The real-valued setup keys; the others are integers.
constexpr std::string_view realSetupKeys[] = {setupLength, setupForce};

// Then each link's lines, "TetherData N FIELD VALUE…" with one blank between the words: its CONNECT
// line, and for a connected link the other fields in this order.
constexpr std::string_view linkWord = "TetherData";
constexpr std::string_view connectField = "CONNECT";  // 1 tied, 0 not
constexpr std::string_view ship1Field = "Ship1";      // a name without blanks; vessel 1 carries the drawing
constexpr std::string_view ship2Field = "Ship2";
constexpr std::string_view lengthField = "Length";        // m, unstretched
constexpr std::string_view forceField = "Force";          // N per percent of stretch
constexpr std::string_view attach1Field = "Attach1";      // three numbers, m, in vessel 1's frame
constexpr std::string_view attach2Field = "Attach2";      // in vessel 2's frame
constexpr std::string_view spoolModeField = "SpoolMode";  // 0 powered, 1 free-spooling
constexpr std::string_view reelSpeedField = "ReelSpeed";  // m/s, positive pays out

// "TetherData 3 Length": the key of a link's field as the module writes it.
std::string LinkKey(int link, std::string_view field);
// The link a plain key names ("TetherData 3 Length": 3, with `field` "Length"): the word, one
// blank, a link number of a single digit below linkCount, one blank and a field word without
// blanks. Nothing for any other key.
std::optional<int> PlainLinkKey(std::string_view key, std::string_view &field);

// The order of the module's forces in a frame (tether/TetherStep.cpp, plugin/TetherData.cpp):
// for link 0 to linkCount − 1 in turn, each connected link whose two vessels exist adds
// forcesPerLink forces through VESSEL::AddForce, half the pull on vessel 1, then half on vessel 2
// (both on the one vessel of a link tied from a vessel to itself); a link whose vessel has gone
// adds none.
constexpr size_t forcesPerLink = 2;

// The pull of the link whose forces, if it added any, start at `next` in a frame's forces: when
// the two forces there went to the link's vessels as `isPair(vessel1, vessel2)` judges them, their
// pull, and `next` moves past them; nothing otherwise.
template <class IsPair>
std::optional<double> TakeLinkPull(const std::vector<World::AppliedForce> &applied, size_t &next, IsPair isPair) {
  if (next + 1 >= applied.size() || !isPair(*applied[next].vessel, *applied[next + 1].vessel)) return std::nullopt;
  const double pull = 2 * Length(applied[next].force);  // N: each vessel gets half
  next += forcesPerLink;
  return pull;
}

}  // namespace sim::plugin
