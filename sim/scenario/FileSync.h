// Waiting until what was written is on the disk, so that a power cut cannot take it back.
#pragma once

#include <cstdio>
#include <string>

namespace sim {

// The file's written bytes (stdio's buffer is flushed first). False when the system reports a
// failure.
bool SyncFile(std::FILE *file);
// The file at `path`, written and closed before.
bool SyncPath(const std::string &path);
// The folder entry of `path`, after it was created or renamed; nothing to do on Windows, where
// the entry is written with the file.
bool SyncFolderOf(const std::string &path);

}  // namespace sim
