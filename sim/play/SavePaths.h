// Where `kestrane-sim play` offers to save the scenario and the replay page on leaving, and what
// an answer to the offer means.
#pragma once

#include <string>

namespace sim {

// Saves land in the working folder, never beside the scenario: that may be the project's own
// examples or the host's scenario folder. "dir/tug.scn" gives "tug-saved.scn"; a name without
// ".scn" gets "-saved.scn" appended. A scenario saved this way saves to its own name again
// ("tug-saved.scn"), which the user is asked to confirm, rather than to ever longer names.
std::string DefaultSavePath(const std::string &scenarioPath);

// Where `play` offers to write the session's replay page: "dir/tug.scn" gives "tug-replay.html",
// in the working folder.
std::string DefaultReplayPath(const std::string &scenarioPath);

// The answer to "Save scenario to <default>? [Enter: yes, n: no, or a path]": empty or "y"/"yes"
// saves to the default path, "n"/"no" declines (any case), a path ending in `extension` (any
// case) is where to save, and a path ending in a slash is a folder to save the default's name in.
// Anything else ("nn", "nope", "out") is unclear: nothing is saved, the caller asks again (or
// takes an existing folder's name as the folder). Blanks around the answer are dropped.
struct SaveChoice {
  enum class Kind { Default, Path, Decline, Unclear } kind = Kind::Unclear;
  std::string path;  // Default, Path: where to save; Unclear: the answer as typed, trimmed
};
SaveChoice ReadSaveAnswer(const std::string &answer, const std::string &defaultPath, const std::string &extension);
// `folder` joined with the file name of `defaultPath`.
std::string InFolder(const std::string &folder, const std::string &defaultPath);

}  // namespace sim
