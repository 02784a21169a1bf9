// The canvas as a picture: every run's characters drawn with a monospaced TrueType font, each in
// its cell at the run's pixel position, on black.
#ifndef _WIN32

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include "sim/display/Canvas.h"

namespace sim {

namespace {

const char *const kFontCandidates[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", "/usr/share/fonts/TTF/DejaVuSansMono.ttf",
    "/usr/share/fonts/dejavu/DejaVuSansMono.ttf",          "/usr/share/fonts/dejavu-sans-mono-fonts/DejaVuSansMono.ttf",
    "/usr/local/share/fonts/DejaVuSansMono.ttf",
};

bool Readable(const std::string &path) { return std::ifstream(path).good(); }

std::string FindFont(const PngOptions &options, std::string &error) {
  if (!options.fontPath.empty()) {
    if (!Readable(options.fontPath)) {
      error = "cannot read font file " + options.fontPath;
      return {};
    }
    return options.fontPath;
  }
  for (const char *candidate : kFontCandidates) {
    if (Readable(candidate)) {
      return candidate;
    }
  }
  error = std::string("font DejaVu Sans Mono not found (looked for ") + kFontCandidates[0] +
          " and the usual alternatives); install the package fonts-dejavu-core";
  return {};
}

// FreeType's library and face, released in the right order on every path.
class FontFace {
public:
  FontFace() = default;
  ~FontFace() {
    if (face != nullptr) {
      FT_Done_Face(face);
    }
    if (library != nullptr) {
      FT_Done_FreeType(library);
    }
  }
  FontFace(const FontFace &) = delete;
  FontFace &operator=(const FontFace &) = delete;

  bool Load(const std::string &path, std::string &error) {
    if (FT_Init_FreeType(&library) != 0) {
      library = nullptr;
      error = "cannot start the font renderer";
      return false;
    }
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
      face = nullptr;
      error = "cannot load font file " + path;
      return false;
    }
    return true;
  }

  FT_Library library = nullptr;
  FT_Face face = nullptr;
};

struct Picture {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;

  void Fill(int left, int top, int w, int h, COLORREF colour) {
    for (int y = std::max(top, 0); y < std::min(top + h, height); ++y) {
      for (int x = std::max(left, 0); x < std::min(left + w, width); ++x) {
        unsigned char *pixel = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        pixel[0] = colour & 0xFF;
        pixel[1] = (colour >> 8) & 0xFF;
        pixel[2] = (colour >> 16) & 0xFF;
      }
    }
  }

  // Blends the colour over the picture with the glyph's coverage as opacity.
  void Blend(const FT_Bitmap &bitmap, int left, int top, COLORREF colour) {
    const unsigned channel[3] = {colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF};
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      const int y = top + static_cast<int>(row);
      if (y < 0 || y >= height) {
        continue;
      }
      for (unsigned column = 0; column < bitmap.width; ++column) {
        const int x = left + static_cast<int>(column);
        if (x < 0 || x >= width) {
          continue;
        }
        const unsigned coverage = bitmap.buffer[static_cast<long>(row) * bitmap.pitch + column];
        unsigned char *pixel = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        for (int c = 0; c < 3; ++c) {
          pixel[c] = static_cast<unsigned char>((pixel[c] * (255 - coverage) + channel[c] * coverage + 127) / 255);
        }
      }
    }
  }
};

}  // namespace

bool Canvas::RenderRgb(std::vector<unsigned char> &rgb, int &pixelWidth, int &pixelHeight, std::string &error,
                       const PngOptions &options) const {
  if (!PictureSizeAllowed(options.scale, error)) return false;
  const std::string fontPath = FindFont(options, error);
  if (fontPath.empty()) {
    return false;
  }
  FontFace font;
  if (!font.Load(fontPath, error)) {
    return false;
  }
  const int scale = options.scale;
  const int cellW = cellWidth * scale;
  const int cellH = cellHeight * scale;

  // The largest pixel size whose advance fits the cell width and whose line fits the cell height.
  FT_Face face = font.face;
  const long unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  const long advanceUnits = face->max_advance_width > 0 ? face->max_advance_width : unitsPerEm;
  const long lineUnits = face->ascender - face->descender > 0 ? face->ascender - face->descender : unitsPerEm;
  const long bySize = std::min(cellW * unitsPerEm / advanceUnits, cellH * unitsPerEm / lineUnits);
  const FT_UInt pixelSize = static_cast<FT_UInt>(std::max(1L, bySize));
  if (FT_Set_Pixel_Sizes(face, 0, pixelSize) != 0) {
    error = "cannot size font " + fontPath;
    return false;
  }
  const int ascent = static_cast<int>(face->size->metrics.ascender >> 6);
  const int advance = static_cast<int>(face->size->metrics.max_advance >> 6);
  const int lineHeight = static_cast<int>((face->size->metrics.ascender - face->size->metrics.descender) >> 6);
  // Glyphs sit centred in their cell, the line centred in the cell's height.
  const int insetX = std::max(0, (cellW - advance) / 2);
  const int insetY = std::max(0, (cellH - lineHeight) / 2);

  Picture picture;
  picture.width = width * scale;
  picture.height = height * scale;
  picture.rgb.assign(static_cast<size_t>(picture.width) * picture.height * 3, 0);

  for (const TextRun &run : Runs()) {
    for (size_t i = 0; i < run.text.size(); ++i) {
      const long long left = (static_cast<long long>(run.x) + static_cast<long long>(i) * cellWidth) * scale;
      const long long top = static_cast<long long>(run.y) * scale;
      if (left >= picture.width || top >= picture.height) {
        break;
      }
      if (left + cellW <= 0 || top + cellH <= 0) {
        continue;
      }
      const int x = static_cast<int>(left);
      const int y = static_cast<int>(top);
      if (run.backMode == OPAQUE) {
        picture.Fill(x, y, cellW, cellH, run.backColour);
      }
      const auto byte = static_cast<unsigned char>(run.text[i]);
      const char glyph = byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
      if (glyph == ' ' || FT_Load_Char(face, static_cast<FT_ULong>(glyph), FT_LOAD_RENDER) != 0) {
        continue;
      }
      const FT_GlyphSlot slot = face->glyph;
      picture.Blend(slot->bitmap, x + insetX + slot->bitmap_left, y + insetY + ascent - slot->bitmap_top,
                    run.textColour);
    }
  }
  rgb = std::move(picture.rgb);
  pixelWidth = picture.width;
  pixelHeight = picture.height;
  return true;
}

bool Canvas::WritePng(const std::string &path, std::string &error, const PngOptions &options) const {
  std::vector<unsigned char> rgb;
  int pixelWidth = 0, pixelHeight = 0;
  if (!RenderRgb(rgb, pixelWidth, pixelHeight, error, options)) {
    return false;
  }
  // Written beside the target and renamed over it when complete, so that a failed write leaves an
  // earlier picture in place. Opened here rather than by libpng, so that a refusal has its reason.
  const std::string partial = path + ".part";
  FILE *file = std::fopen(partial.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(pixelWidth);
  image.height = static_cast<png_uint_32>(pixelHeight);
  image.format = PNG_FORMAT_RGB;
  const bool written = png_image_write_to_stdio(&image, file, 0, rgb.data(), 0, nullptr) != 0;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    error = "cannot write " + path + ": " + (!written ? std::string(image.message) : "the file did not close");
    std::remove(partial.c_str());
    return false;
  }
  if (std::rename(partial.c_str(), path.c_str()) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    std::remove(partial.c_str());
    return false;
  }
  return true;
}

}  // namespace sim

#endif  // _WIN32
