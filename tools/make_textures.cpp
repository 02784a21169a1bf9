// kestrane-textures FOLDER: writes the tether's exhaust textures TetherTaut.dds, Tether2.dds and
// Tether3.dds into FOLDER, which must exist.
#include <cstdio>
#include <string>

#include "Textures.h"

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kestrane-textures FOLDER\n");
    return 2;
  }
  std::string error;
  if (!textures::WriteAll(argv[1], error)) {
    std::fprintf(stderr, "kestrane-textures: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
