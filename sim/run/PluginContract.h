// What the simulated host knows of the Kestrane plug-in beyond the host interface, in one place:
// the module's file and display mode, and the format of its scenario block, whose words, links and
// stretch come from the block's own library (tetherblock/), which the plug-in builds on too. The
// host never includes the plug-in's headers; the tests of the host against the built module
// (tests/sim, tests/e2e) check that the mode agrees.
//
// Three things build on these facts and are not part of them: the tether samples read from the
// block (TetherBlock), the values a run writes into the block (BlockSettings) and the warnings
// about a block's lines (BlockWarnings). The description of the display's keys for the user
// (KeyGuide) and the host's key names (KeyNames) are the host's own teaching and vocabulary:
// nothing in the host's working relies on them.
#pragma once

#include <string>
#include <string_view>

#include "tetherblock/BlockFormat.h"

namespace sim::plugin {

// The module's file, beside the host's program.
#ifdef _WIN32
constexpr std::string_view moduleFile = "Kestrane.dll";
#else
constexpr std::string_view moduleFile = "kestrane.so";
#endif

// The display mode the module registers: the MODE of its display blocks and its display's title.
// Its module block is BEGIN_ followed by its name, the module's file name without the extension
// (also "Kestrane").
constexpr const char *modeName = "Kestrane";

// The block's format, as the host uses it.
using tetherblock::attach1Field;
using tetherblock::attach2Field;
using tetherblock::attachTypeV1;
using tetherblock::attachTypeV2;
using tetherblock::connectField;
using tetherblock::currentTether;
using tetherblock::forceField;
using tetherblock::keySize;
using tetherblock::lengthField;
using tetherblock::linkCount;
using tetherblock::linkWord;
using tetherblock::longestName;
using tetherblock::realSetupKeys;
using tetherblock::reelSpeedField;
using tetherblock::setupForce;
using tetherblock::setupKeys;
using tetherblock::setupLength;
using tetherblock::ship1Field;
using tetherblock::ship2Field;
using tetherblock::spoolModeField;

// "TetherData 3 Length": the key of a link's field as the module writes it.
std::string LinkKey(int link, std::string_view field);

}  // namespace sim::plugin
