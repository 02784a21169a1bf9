#include "tetherblock/BlockLine.h"

#include <cstdio>
#include <cstring>

namespace tetherblock {

namespace {

// The names and words are read with "%127s".
static_assert(nameSize == 128, "word conversions are bounded to 127 characters");

// A setup line's real value, or a link line's (`link`), through a float or a double.
bool ReadReal(const char *line, bool link, Precision precision, double &value) {
  if (precision == Precision::Single) {
    float read;
    if ((link ? std::sscanf(line, "%*s %*d %*s %f", &read) : std::sscanf(line, "%*s %f", &read)) != 1) return false;
    value = read;
    return true;
  }
  double read;
  if ((link ? std::sscanf(line, "%*s %*d %*s %lf", &read) : std::sscanf(line, "%*s %lf", &read)) != 1) return false;
  value = read;
  return true;
}

// An attach point: all three numbers, or nothing.
bool ReadVector(const char *line, Precision precision, double (&value)[3]) {
  if (precision == Precision::Single) {
    float x, y, z;
    if (std::sscanf(line, "%*s %*d %*s %f %f %f", &x, &y, &z) != 3) return false;
    value[0] = x;
    value[1] = y;
    value[2] = z;
    return true;
  }
  return std::sscanf(line, "%*s %*d %*s %lf %lf %lf", &value[0], &value[1], &value[2]) == 3;
}

// "TetherData n FIELD value…"; a link number outside 0 … linkCount − 1 says nothing.
void ReadLinkLine(const char *line, Precision precision, Line &read) {
  int link;
  char field[nameSize];
  if (std::sscanf(line, "%*s %d %127s", &link, field) != 2 || link < 0 || link >= linkCount) return;
  read.kind = Line::Kind::Link;
  read.link = link;
  for (int f = 0; f < fieldCount; ++f)
    if (std::strcmp(field, fieldWords[f]) == 0) read.field = f;
  if (read.field < 0) return;
  switch (static_cast<Field>(read.field)) {
    case Field::Connect:
    case Field::SpoolMode:
      read.read = std::sscanf(line, "%*s %*d %*s %d", &read.integer) == 1;
      break;
    case Field::Ship1:
    case Field::Ship2:
      read.read = std::sscanf(line, "%*s %*d %*s %127s", read.name) == 1;
      break;
    case Field::Length:
    case Field::Force:
    case Field::ReelSpeed:
      read.read = ReadReal(line, true, precision, read.real[0]);
      break;
    case Field::Attach1:
    case Field::Attach2:
      read.read = ReadVector(line, precision, read.real);
      break;
  }
}

}  // namespace

void LinkKey(char (&key)[keySize], int link, const char *field) {
  char prefix[keySize];
  std::snprintf(prefix, sizeof prefix, "%s %d", linkWord, link);
  if (std::snprintf(key, sizeof key, "%s %s", prefix, field) >= keySize) key[0] = '\0';
}

Line ReadLine(const char *line, Precision precision) {
  Line read;
  char word[nameSize];
  if (line == nullptr || std::sscanf(line, "%127s", word) != 1) return read;
  if (std::strcmp(word, endWord) == 0) {
    read.kind = Line::Kind::End;
  } else if (std::strcmp(word, linkWord) == 0) {
    ReadLinkLine(line, precision, read);
  } else {
    for (int s = 0; s < setupCount; ++s) {
      if (std::strcmp(word, setupKeys[s]) != 0) continue;
      read.kind = Line::Kind::Setup;
      read.setup = static_cast<Setup>(s);
      read.read = IsReal(read.setup) ? ReadReal(line, false, precision, read.real[0])
                                     : std::sscanf(line, "%*s %d", &read.integer) == 1;
    }
  }
  return read;
}

}  // namespace tetherblock
