#include "PngFile.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace nullclient {

namespace {

void PutBigEndian(std::vector<unsigned char> &out, unsigned long value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>((value >> shift) & 0xFF));
}

void PutChunk(std::vector<unsigned char> &out, const char type[4], const std::vector<unsigned char> &data) {
  PutBigEndian(out, static_cast<unsigned long>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian(out, crc32(0, out.data() + start, static_cast<uInt>(out.size() - start)));
}

}  // namespace

std::vector<unsigned char> EncodePng(const unsigned char *rgb, int width, int height) {
  // Each row after its filter type, 0 (none).
  const size_t stride = static_cast<size_t>(width) * 3;
  std::vector<unsigned char> raw;
  raw.reserve((stride + 1) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    const unsigned char *row = rgb + stride * static_cast<size_t>(y);
    raw.insert(raw.end(), row, row + stride);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<unsigned char> packed(packedSize);
  compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION);
  packed.resize(packedSize);

  std::vector<unsigned char> header;
  PutBigEndian(header, static_cast<unsigned long>(width));
  PutBigEndian(header, static_cast<unsigned long>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits a channel, RGB, deflate, no filter choice, no interlace

  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", {});
  return png;
}

bool WritePng(const std::string &path, const unsigned char *rgb, int width, int height, std::string &error) {
  const std::vector<unsigned char> png = EncodePng(rgb, width, height);
  const std::string partial = path + ".part";
  std::FILE *file = std::fopen(partial.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  if (std::fclose(file) != 0 || !written) {
    std::remove(partial.c_str());
    error = "cannot write '" + path + "': the file is incomplete";
    return false;
  }
  // The C library's rename does not replace a file on Windows.
  std::remove(path.c_str());
  if (std::rename(partial.c_str(), path.c_str()) != 0) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    std::remove(partial.c_str());
    return false;
  }
  return true;
}

}  // namespace nullclient
