// Kestrane's block of scenario lines: its words, its links and what a tether's stretch is. The
// plug-in writes and reads the block; the simulated host and the real host's recorder read it back
// for their records of a run. Plain definitions with no host call, which every one of them
// compiles in its own ABI.
//
// The block: eight setup lines, each a key and one number, then for each link n from 0 to 7 the
// line "TetherData n CONNECT c" and, for a connected link, its other fields in the order of Field.
#pragma once

#include <cstddef>

namespace tetherblock {

// The links, numbered 0 to linkCount − 1 in the block, the records of a run and the display.
constexpr int linkCount = 8;
// A vessel name as a link keeps it: 127 characters and the terminator.
constexpr int nameSize = 128;
constexpr size_t longestName = nameSize - 1;
// A link's key ("TetherData 3 Length") as composed, with its terminator.
constexpr int keySize = 128;

// The setup lines, in the order written.
enum class Setup { Length, Force, TargetIndex, CurrentTether, AttachTypeV1, AttachNoV1, AttachTypeV2, AttachNoV2 };
inline constexpr char setupLength[] = "SetupTetherLength";  // m, real
inline constexpr char setupForce[] = "SetupTetherForce";    // N per percent of stretch, real
inline constexpr char setupTargetIndex[] = "SetupTargetIndex";
inline constexpr char currentTether[] = "CurrentTether";
inline constexpr char attachTypeV1[] = "attach_type_v1";  // 0 centre, 1 docking port, 2 attachment
inline constexpr char attachNoV1[] = "attach_no_v1";
inline constexpr char attachTypeV2[] = "attach_type_v2";
inline constexpr char attachNoV2[] = "attach_no_v2";
inline constexpr const char *setupKeys[] = {setupLength,  setupForce, setupTargetIndex, currentTether,
                                            attachTypeV1, attachNoV1, attachTypeV2,     attachNoV2};
constexpr int setupCount = sizeof setupKeys / sizeof *setupKeys;
// The real-valued setup keys; the others are integers.
inline constexpr const char *realSetupKeys[] = {setupLength, setupForce};
constexpr bool IsReal(Setup key) { return key == Setup::Length || key == Setup::Force; }

// A link's lines: "TetherData N FIELD VALUE…", one blank between the words.
inline constexpr char linkWord[] = "TetherData";
enum class Field { Connect, Ship1, Ship2, Length, Force, Attach1, Attach2, SpoolMode, ReelSpeed };
inline constexpr char connectField[] = "CONNECT";  // 1 tied, 0 not
inline constexpr char ship1Field[] = "Ship1";      // a name without blanks; vessel 1 carries the drawing
inline constexpr char ship2Field[] = "Ship2";
inline constexpr char lengthField[] = "Length";        // m, unstretched
inline constexpr char forceField[] = "Force";          // N per percent of stretch
inline constexpr char attach1Field[] = "Attach1";      // three numbers, m, in vessel 1's frame
inline constexpr char attach2Field[] = "Attach2";      // in vessel 2's frame
inline constexpr char spoolModeField[] = "SpoolMode";  // 0 powered, 1 free-spooling
inline constexpr char reelSpeedField[] = "ReelSpeed";  // m/s, positive pays out
inline constexpr const char *fieldWords[] = {connectField, ship1Field,   ship2Field,     lengthField,   forceField,
                                             attach1Field, attach2Field, spoolModeField, reelSpeedField};
constexpr int fieldCount = sizeof fieldWords / sizeof *fieldWords;

// The display's section of the scenario ends at this line; the plug-in stops reading there.
inline constexpr char endWord[] = "END_MFD";

// A tether's stretch, percent: the distance between its attach points (m) as a share of its
// unstretched length (m); 100 is just taut.
inline double Stretch(double distance, double length) { return distance / length * 100; }

}  // namespace tetherblock
