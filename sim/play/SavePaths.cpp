#include "sim/play/SavePaths.h"

#include "sim/scenario/ScenarioText.h"

namespace sim {

namespace {

// The file name of a path, without a case-insensitive ".scn".
std::string ScenarioStem(const std::string &scenarioPath) {
  const std::string suffix = ".scn";
  const size_t slash = scenarioPath.find_last_of("/\\");
  std::string stem = slash == std::string::npos ? scenarioPath : scenarioPath.substr(slash + 1);
  if (stem.size() > suffix.size() && Lower(stem.substr(stem.size() - suffix.size())) == suffix)
    stem.resize(stem.size() - suffix.size());
  return stem;
}

bool EndsWith(const std::string &text, const std::string &suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::string DefaultSavePath(const std::string &scenarioPath) {
  const std::string stem = ScenarioStem(scenarioPath);
  const std::string saved = "-saved";
  if (stem.size() > saved.size() && EndsWith(stem, saved)) return stem + ".scn";
  return stem + saved + ".scn";
}

std::string DefaultReplayPath(const std::string &scenarioPath) { return ScenarioStem(scenarioPath) + "-replay.html"; }

SaveChoice ReadSaveAnswer(const std::string &answer, const std::string &defaultPath, const std::string &extension) {
  const size_t first = answer.find_first_not_of(" \t\r\n");
  const std::string trimmed =
      first == std::string::npos ? "" : answer.substr(first, answer.find_last_not_of(" \t\r\n") - first + 1);
  const std::string word = Lower(trimmed);
  if (word == "n" || word == "no") return {SaveChoice::Kind::Decline, ""};
  if (word.empty() || word == "y" || word == "yes") return {SaveChoice::Kind::Default, defaultPath};
  if (word.size() > extension.size() && EndsWith(word, Lower(extension)) &&
      word[word.size() - extension.size() - 1] != '/')
    return {SaveChoice::Kind::Path, trimmed};
  if (word.back() == '/' || word.back() == '\\') return {SaveChoice::Kind::Path, InFolder(trimmed, defaultPath)};
  return {SaveChoice::Kind::Unclear, trimmed};
}

std::string InFolder(const std::string &folder, const std::string &defaultPath) {
  const size_t slash = defaultPath.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? defaultPath : defaultPath.substr(slash + 1);
  if (folder.empty()) return name;
  const char last = folder.back();
  return folder + (last == '/' || last == '\\' ? "" : "/") + name;
}

}  // namespace sim
