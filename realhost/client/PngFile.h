// A picture written as a PNG file: 8-bit RGB, compressed with zlib.
#pragma once

#include <string>
#include <vector>

namespace nullclient {

// The file's bytes for `height` rows of `width` pixels, each three bytes R, G, B, top row first.
std::vector<unsigned char> EncodePng(const unsigned char *rgb, int width, int height);

// Writes the picture to `path` through a file beside it that replaces it only when whole; false
// with a one-line reason in `error` when it could not.
bool WritePng(const std::string &path, const unsigned char *rgb, int width, int height, std::string &error);

}  // namespace nullclient
