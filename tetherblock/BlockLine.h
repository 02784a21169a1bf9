// One line of Kestrane's block read, and a link's key composed, as the plug-in does both. The
// hosts read the lines the plug-in wrote with the same rules, in double precision.
//
// A line is read with the C library's scanf conversions, as the plug-in has always read it, so that
// every scenario saved so far reads as before: words are separated by any white space; a number is
// the longest prefix of its word that is one ("%d", "%f"), so "3Length" is link 3 and "1.5x" is
// 1.5; a name is its first 127 characters. Every C library the block is compiled with has them (the
// Visual C++ ABI builds link MinGW's, the browser's build its own), where not every C++ library reads
// floating-point numbers with std::from_chars.
#pragma once

#include "tetherblock/BlockFormat.h"

namespace tetherblock {

// The characters the host trims from a scenario line's ends and that separate its words.
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// "TetherData 3 Length" into `key`, composed as the plug-in composes it: the prefix "TetherData 3",
// then the prefix and the field word. Empty when it would not fit (the block's own words always fit),
// so that a key cut short is never read back as another key.
void LinkKey(char (&key)[keySize], int link, const char *field);

// How real numbers are read: in single precision, as the plug-in keeps them, or in double, as a
// host reads back what the plug-in wrote.
enum class Precision { Single, Double };

// What one line says.
struct Line {
  enum class Kind {
    None,   // no word, or a first word that is no key of the block, or a link line without link number and field word
    End,    // the display section's end: the plug-in reads no further
    Setup,  // a setup line
    Link    // a link line of a link 0 … linkCount − 1
  };
  Kind kind = Kind::None;
  Setup setup = Setup::Length;  // kind Setup
  int link = 0;                 // kind Link
  int field = -1;               // kind Link: a Field, or −1 for a word that is no field
  // The value was read, in `integer`, `real` (three for an attach point, all or none) or `name`,
  // as the key takes it; a line without it leaves what it would set as it was.
  bool read = false;
  int integer = 0;
  double real[3] = {};
  char name[nameSize] = {};
};

// One line as the host hands it: terminated, without its comment.
Line ReadLine(const char *line, Precision precision);

}  // namespace tetherblock
