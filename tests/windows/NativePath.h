// Paths of the build tree as a Windows program takes them: backslashes, on Wine's drive of the
// whole file system.
#pragma once

#include <string>

inline std::string NativePath(std::string path) {
  for (char &c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}
