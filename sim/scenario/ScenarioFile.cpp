// Scenario files on the disk: read whole within a size, saved through a temporary file that takes
// the target's place only when whole.
#include "sim/scenario/ScenarioFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "sim/scenario/FileSync.h"

namespace sim {

namespace {

constexpr std::uintmax_t maxFileSize = 64 << 20;  // bytes

// ": No space left on device" for an errno value, nothing for 0.
std::string Reason(int error) { return error != 0 ? std::string(": ") + std::strerror(error) : std::string(); }

}  // namespace

Scenario LoadScenarioFile(const std::string &path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw ScenarioError(path + ": is a folder, not a scenario file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ScenarioError(path + ": cannot be opened");
  std::string text;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<size_t>(in.gcount()));
    if (text.size() > maxFileSize) throw ScenarioError(path + ": larger than 64 MiB, not a scenario file");
  }
  if (in.bad()) throw ScenarioError(path + ": cannot be read");
  return ParseScenario(text, path);
}

void SaveScenarioFile(const std::string &path, const Scenario &scenario, bool durable) {
  const std::string text = FormatScenario(scenario);
  // A file that would not load again is not written: the old one is worth more.
  try {
    ParseScenario(text, path);
  } catch (const ScenarioError &error) {
    throw ScenarioError(std::string("not saved, the text would not read back: ") + error.what());
  }

  const std::string temporary = path + ".saving";
  {
    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    // The messages name the file the user asked for: the temporary one is this function's affair.
    if (!out) throw ScenarioError(path + ": cannot write it" + Reason(errno));
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    // The write that failed set errno: a full disk, or a file larger than the process may write.
    const int failure = errno;
    if (!out || (durable && !SyncPath(temporary))) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw ScenarioError(path + ": not saved" + Reason(out ? 0 : failure));
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw ScenarioError(path + ": cannot replace it: " + error.message());
  }
  if (durable && !SyncFolderOf(path))
    throw ScenarioError(path + ": saved, but its folder could not be synced to the disk");
}

}  // namespace sim
