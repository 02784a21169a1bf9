// A block line read by the rules scenarios saved so far were read by: scanf's conversions, each
// number the longest prefix of its word that is one, real numbers in single precision for the
// plug-in and double for the hosts.
#include "tetherblock/BlockLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using tetherblock::Field;
using tetherblock::Line;
using tetherblock::Precision;
using Kind = Line::Kind;

std::string Describe(const Line &l) {
  std::string text = std::to_string(static_cast<int>(l.kind)) + " " + std::to_string(l.link) + " " +
                     std::to_string(l.field) + " " + (l.read ? "read" : "unread");
  if (l.read) text += " " + std::to_string(l.integer) + " " + std::string(l.name);
  return text;
}

TEST(BlockLineTest, LinesReadAsThePluginHasAlwaysReadThem) {
  struct Case {
    const char *line;
    Kind kind;
    int link, field;
    bool read;
    double real;  // the first real value where the key takes one
  };
  const int length = static_cast<int>(Field::Length), connect = static_cast<int>(Field::Connect);
  const Case cases[] = {
      {"TetherData 3 Length 1000.1", Kind::Link, 3, length, true, 1000.0999755859375},
      // A number is the longest prefix that is one: of the link number, of the value.
      {"TetherData 3Length 5", Kind::Link, 3, length, true, 5},
      {"TetherData 3 Length 1.5x", Kind::Link, 3, length, true, 1.5},
      {"TetherData\t+3  Length   -2e1", Kind::Link, 3, length, true, -20},
      {"TetherData 3 CONNECT 1.9", Kind::Link, 3, connect, true, 0},
      {"TetherData 3 Length x1", Kind::Link, 3, length, false, 0},
      {"TetherData 3 Length", Kind::Link, 3, length, false, 0},
      {"TetherData 3 Lengths 5", Kind::Link, 3, -1, false, 0},
      // No link 8, no link without a field word; other first words say nothing.
      {"TetherData 8 Length 5", Kind::None, 0, -1, false, 0},
      {"TetherData 3", Kind::None, 0, -1, false, 0},
      {"tetherdata 3 Length 5", Kind::None, 0, -1, false, 0},
      {"", Kind::None, 0, -1, false, 0},
      {"END_MFD", Kind::End, 0, -1, false, 0},
      {"SetupTetherLength 0.1 m", Kind::Setup, 0, -1, true, 0.10000000149011612},
  };
  for (const Case &c : cases) {
    const Line l = tetherblock::ReadLine(c.line, Precision::Single);
    EXPECT_EQ(l.kind, c.kind) << c.line;
    EXPECT_EQ(l.link, c.link) << c.line;
    EXPECT_EQ(l.field, c.field) << c.line;
    EXPECT_EQ(l.read, c.read) << c.line;
    if (c.read && c.field != connect) {
      EXPECT_EQ(l.real[0], c.real) << c.line;
    }
  }
  EXPECT_EQ(tetherblock::ReadLine("TetherData 3 CONNECT 1.9", Precision::Single).integer, 1);
  // The hosts read what the plug-in wrote to the last bit.
  EXPECT_EQ(tetherblock::ReadLine("TetherData 0 Length 1000.1", Precision::Double).real[0], 1000.1);
  EXPECT_EQ(tetherblock::ReadLine("SetupTetherForce 1e39", Precision::Double).real[0], 1e39);
  EXPECT_TRUE(std::isinf(tetherblock::ReadLine("SetupTetherForce 1e39", Precision::Single).real[0]));

  // An attach point is all three numbers or none; a name is one word of at most 127 characters.
  const Line two = tetherblock::ReadLine("TetherData 1 Attach1 1 2", Precision::Double);
  EXPECT_FALSE(two.read) << Describe(two);
  const Line three = tetherblock::ReadLine("TetherData 1 Attach2 1 -2 3junk", Precision::Double);
  EXPECT_TRUE(three.read && three.real[1] == -2 && three.real[2] == 3) << Describe(three);
  const std::string longName(200, 'n');
  const Line name = tetherblock::ReadLine(("TetherData 1 Ship1 " + longName + " more").c_str(), Precision::Double);
  EXPECT_EQ(std::string(name.name), longName.substr(0, 127));
}

TEST(BlockLineTest, ALinksKeyIsComposedAsThePluginWritesIt) {
  char key[tetherblock::keySize];
  tetherblock::LinkKey(key, 3, tetherblock::lengthField);
  EXPECT_STREQ(key, "TetherData 3 Length");
  tetherblock::LinkKey(key, 3, std::string(200, 'x').c_str());
  EXPECT_STREQ(key, "");
}

}  // namespace
