// The exhaust textures that draw a tether: "TetherTaut" (taut: a bright narrow line), "Tether3"
// (slack: a loose rope swinging across the stream) and "Tether2" (very slack: a faint loose rope
// in a wide stream), as uncompressed 32-bit DDS files.
//
// They are laid out as the host draws an exhaust stream: its rows run along the stream (the first
// row at the stream's start, the last at its end), and across the stream the host takes only the
// columns from 1 % to 24 % of the width, the middle of the stream at 12.5 %. The quarter of the
// texture right of the middle and above the middle row is the glow the host draws around the
// stream's start, seven times as wide as the stream; everything outside the stream's columns is
// transparent, so there is no glow.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace textures {

// Across the stream (columns) by along it (rows), pixels.
constexpr int kWidth = 128;
constexpr int kHeight = 64;
// The columns the host draws across the stream, as shares of the width: from one edge of the stream
// to the other, and its middle.
constexpr double kStreamLeft = 0.01, kStreamRight = 0.24, kStreamMiddle = 0.125;

struct Rgba {
  uint8_t r, g, b, a;
};

struct Texture {
  std::string name;          // the name the plug-in registers it under, also the file's stem
  std::vector<Rgba> pixels;  // kHeight rows of kWidth, top row first
};

// The three textures, in the order the plug-in registers them: TetherTaut, Tether2, Tether3.
std::vector<Texture> MakeAll();

// The file: "DDS ", the 124-byte header (A8R8G8B8: alpha, red, green and blue masks, pitch
// width × 4), then the rows top first, each pixel stored as blue, green, red, alpha.
std::vector<uint8_t> EncodeDds(const Texture &texture);

// Writes <folder>/<name>.dds for each texture. False with `error` set on the first failure.
bool WriteAll(const std::string &folder, std::string &error);

}  // namespace textures
