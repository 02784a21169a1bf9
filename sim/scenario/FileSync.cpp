#include "sim/scenario/FileSync.h"

#include <fcntl.h>

#include <filesystem>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace sim {

bool SyncFile(std::FILE *file) {
  if (file == nullptr || std::fflush(file) != 0) return false;
#ifdef _WIN32
  return _commit(_fileno(file)) == 0;
#else
  return fsync(fileno(file)) == 0;
#endif
}

bool SyncPath(const std::string &path) {
#ifdef _WIN32
  const int fd = _open(path.c_str(), _O_RDWR | _O_BINARY);
  if (fd < 0) return false;
  const bool ok = _commit(fd) == 0;
  return _close(fd) == 0 && ok;
#else
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  return close(fd) == 0 && ok;
#endif
}

bool SyncFolderOf(const std::string &path) {
#ifdef _WIN32
  (void)path;
  return true;
#else
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  return close(fd) == 0 && ok;
#endif
}

}  // namespace sim
