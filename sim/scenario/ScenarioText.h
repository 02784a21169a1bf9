// The small text pieces the scenario and class files share: lines, words, names, and the entry
// lists of PRPLEVEL and DOCKINFO.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct TankLevel;
struct DockInfo;

// ASCII letters in lower case: names of ships, classes and bodies compare without regard to case.
std::string Lower(std::string_view text);
// Without the blanks (spaces, tabs) at either end.
std::string Trim(std::string_view text);
// A line without its ';' comment, trimmed.
std::string LineContent(std::string_view line);
// The blank-separated words of a text.
std::vector<std::string> Words(std::string_view text);

// `PRPLEVEL k:level …` (the key first): tanks numbered from 0, each once, levels within 0 .. 1.
// False with the problem in `problem` otherwise.
bool ParseTankLevels(const std::vector<std::string> &words, std::vector<TankLevel> &levels, std::string &problem);
// `DOCKINFO i:j,NAME …` (the key first): this ship's port i to port j of NAME, each port once.
bool ParseDockInfo(const std::vector<std::string> &words, std::vector<DockInfo> &docks, std::string &problem);

}  // namespace sim
