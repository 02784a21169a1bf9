// The exhaust textures that draw a tether: "TetherTaut" (taut: a bright narrow line), "Tether3"
// (slack: a loose rope swinging across the stream) and "Tether2" (very slack: a faint loose rope
// in a wide stream), as uncompressed 32-bit DDS files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace textures {

// Along the stream (columns) by across it (rows), pixels.
constexpr int kWidth = 64;
constexpr int kHeight = 16;

struct Rgba {
  uint8_t r, g, b, a;
};

struct Texture {
  std::string name;         // the name the plug-in registers it under, also the file's stem
  std::vector<Rgba> pixels; // kHeight rows of kWidth, top row first
};

// The three textures, in the order the plug-in registers them: TetherTaut, Tether2, Tether3.
std::vector<Texture> MakeAll();

// The file: "DDS ", the 124-byte header (A8R8G8B8: alpha, red, green and blue masks, pitch
// width × 4), then the rows top first, each pixel stored as blue, green, red, alpha.
std::vector<uint8_t> EncodeDds(const Texture &texture);

// Writes <folder>/<name>.dds for each texture. False with `error` set on the first failure.
bool WriteAll(const std::string &folder, std::string &error);

}  // namespace textures
