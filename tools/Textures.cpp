#include "Textures.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace textures {

namespace {

constexpr double kPi = 3.14159265358979323846;

uint8_t Byte(double value) {
  if (value <= 0.0) return 0;
  if (value >= 255.0) return 255;
  return static_cast<uint8_t>(std::lround(value));
}

// Brightness across a strand at `offset` from its centre: full within `core`, then falling smoothly
// to nothing at `edge` (all three in one measure).
double Profile(double offset, double core, double edge) {
  const double d = std::fabs(offset);
  if (d <= core) return 1.0;
  if (d >= edge) return 0.0;
  return 0.5 * (1.0 + std::cos(kPi * (d - core) / (edge - core)));
}

// Where a column lies across the stream: -1 at one edge the host draws, 0 in the middle, 1 at the
// other edge; beyond ±1 outside the stream.
double Across(int x) {
  const double u = (x + 0.5) / kWidth;
  return (u - kStreamMiddle) / ((kStreamRight - kStreamLeft) / 2);
}

// A strand along the stream: `centre(along)` is its place across the stream (-1 to 1) at `along`
// (0 at the stream's start, 1 at its end); `core` and `edge` are in the same measure. The strand's
// place repeats from the end to the start, so that the host's wrapping filter joins them.
template <typename Centre>
Texture Strand(const char *name, Rgba colour, double core, double edge, Centre centre) {
  Texture texture{name, std::vector<Rgba>(static_cast<size_t>(kWidth) * kHeight)};
  for (int y = 0; y < kHeight; ++y) {
    const double middle = centre((y + 0.5) / kHeight);
    for (int x = 0; x < kWidth; ++x) {
      const double across = Across(x);
      const double weight = std::fabs(across) > 1 ? 0.0 : Profile(across - middle, core, edge);
      texture.pixels[static_cast<size_t>(y) * kWidth + x] = Rgba{colour.r, colour.g, colour.b, Byte(colour.a * weight)};
    }
  }
  return texture;
}

void PutLittleEndian(std::vector<uint8_t> &out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

std::vector<Texture> MakeAll() {
  return {
      // Taut: a straight bright line down the middle, a fifth of the stream's width with its glow.
      Strand("TetherTaut", Rgba{255, 250, 225, 255}, 0.06, 0.2, [](double) { return 0.0; }),
      // Very slack: a thin dim rope in two loose loops across a wide stream.
      Strand("Tether2", Rgba{170, 160, 140, 110}, 0.03, 0.12,
             [](double along) { return 0.7 * std::sin(4.0 * kPi * along); }),
      // Slack: a rope in one loose swing across the stream.
      Strand("Tether3", Rgba{230, 215, 180, 200}, 0.03, 0.12,
             [](double along) { return 0.6 * std::sin(2.0 * kPi * along); }),
  };
}

std::vector<uint8_t> EncodeDds(const Texture &texture) {
  constexpr uint32_t kCaps = 0x1, kHeightFlag = 0x2, kWidthFlag = 0x4, kPitch = 0x8, kPixelFormat = 0x1000;
  constexpr uint32_t kAlphaPixels = 0x1, kRgb = 0x40;
  constexpr uint32_t kTexture = 0x1000;

  std::vector<uint8_t> out{'D', 'D', 'S', ' '};
  PutLittleEndian(out, 124);
  PutLittleEndian(out, kCaps | kHeightFlag | kWidthFlag | kPitch | kPixelFormat);
  PutLittleEndian(out, kHeight);
  PutLittleEndian(out, kWidth);
  PutLittleEndian(out, kWidth * 4);  // bytes per row
  PutLittleEndian(out, 0);           // depth
  PutLittleEndian(out, 0);           // mipmap count
  for (int i = 0; i < 11; ++i) PutLittleEndian(out, 0);
  PutLittleEndian(out, 32);  // pixel format size
  PutLittleEndian(out, kRgb | kAlphaPixels);
  PutLittleEndian(out, 0);  // no four-character code
  PutLittleEndian(out, 32);
  PutLittleEndian(out, 0x00FF0000);  // red
  PutLittleEndian(out, 0x0000FF00);  // green
  PutLittleEndian(out, 0x000000FF);  // blue
  PutLittleEndian(out, 0xFF000000);  // alpha
  PutLittleEndian(out, kTexture);
  for (int i = 0; i < 4; ++i) PutLittleEndian(out, 0);  // caps 2 to 4, reserved

  for (const Rgba &p : texture.pixels) out.insert(out.end(), {p.b, p.g, p.r, p.a});
  return out;
}

bool WriteAll(const std::string &folder, std::string &error) {
  for (const Texture &texture : MakeAll()) {
    const std::string path = folder + "/" + texture.name + ".dds";
    const std::vector<uint8_t> bytes = EncodeDds(texture);
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
      error = "cannot write " + path + ": " + std::strerror(errno);
      return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
      error = "cannot write " + path + ": the file is incomplete";
      return false;
    }
  }
  return true;
}

}  // namespace textures
