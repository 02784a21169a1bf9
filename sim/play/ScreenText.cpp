#include "sim/play/ScreenText.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace sim {

namespace {

std::string Fit(std::string text, int width) {
  if (width <= 0) return "";
  if (static_cast<int>(text.size()) > width) text.resize(width);
  return text + std::string(width - text.size(), ' ');
}

std::string Printf(const char *format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string RightAligned(const std::string &text, int width) {
  if (static_cast<int>(text.size()) >= width) return text;
  return std::string(width - text.size(), ' ') + text;
}

}  // namespace

std::string FormatDistance(double metres) {
  return metres < 10000.0 ? Printf("%.1f m", metres) : Printf("%.3f km", metres / 1000.0);
}

std::string FormatSpeed(double metresPerSecond) {
  return metresPerSecond < 10000.0 ? Printf("%.2f m/s", metresPerSecond)
                                   : Printf("%.3f km/s", metresPerSecond / 1000.0);
}

std::string VesselLine(const VesselRow &row, int width) {
  const int nameWidth = std::max(0, width - vesselMarkerWidth - 1 - vesselDistanceWidth - 1 - vesselSpeedWidth);
  std::string line = row.focus ? "> " : "  ";
  line += Fit(row.name, nameWidth) + " " +
          RightAligned(row.focus ? "-" : FormatDistance(row.distance), vesselDistanceWidth) + " " +
          RightAligned(row.focus ? "-" : FormatSpeed(row.speed), vesselSpeedWidth);
  return Fit(line, width);
}

std::string VesselHeader(int width) {
  const int nameWidth = std::max(0, width - vesselMarkerWidth - 1 - vesselDistanceWidth - 1 - vesselSpeedWidth);
  return Fit("  " + Fit("Vessel", nameWidth) + " " + RightAligned("Distance", vesselDistanceWidth) + " " +
                 RightAligned("Rel. speed", vesselSpeedWidth),
             width);
}

ListWindow VesselWindow(size_t count, int lines, size_t focus) {
  ListWindow window;
  if (lines <= 0) return window;
  if (count <= static_cast<size_t>(lines)) {
    window.shown = count;
    return window;
  }
  // A single line shows the focus vessel rather than only the count of the others.
  if (lines == 1) {
    window.first = focus < count ? focus : 0;
    window.shown = 1;
    return window;
  }
  window.more = true;
  window.shown = static_cast<size_t>(lines - 1);
  if (focus < count && focus >= window.shown) window.first = focus - window.shown + 1;
  return window;
}

std::string MoreVesselsLine(size_t hidden, int width) {
  return Fit("  ... " + std::to_string(hidden) + " more", width);
}

namespace {

// The simulator's keys, longest form first.
const char *const helpForms[] = {
    (" Space pause  Tab next vessel  Left/Right or F1/F2 slower/faster  Del delete vessel  ? or h every key  "
     "q/Esc quit"),
    " Space pause  Tab vessel  Left/Right slower/faster  Del delete  ? every key  q quit",
    " Space pause  Tab vessel  Left/Right time  Del delete  ? keys  q quit",
    " Space pause  Tab vessel  L/R time  ? keys  q quit",
    " Spc pause  Tab vessel  ? keys  q quit",
};

}  // namespace

std::string StatusLine(const PlayStatus &status, int width, bool withHelp) {
  std::string line =
      " " + status.scenario + "   t = " + Printf("%.1f s", status.time) + "   time x" + status.acceleration;
  if (status.actualFactor) line += " (running at x" + Printf("%.3g", *status.actualFactor) + ")";
  if (status.paused) line += "   PAUSED";
  if (!status.note.empty()) line += "   " + status.note;
  if (withHelp)
    for (const char *form : helpForms)
      if (line.size() + 2 + std::string(form).size() <= static_cast<size_t>(std::max(width, 0))) {
        line += std::string(width - static_cast<int>(line.size() + std::string(form).size()), ' ') + form;
        break;
      }
  return Fit(line, width);
}

std::string HelpLine(int width) {
  for (const char *form : helpForms)
    if (static_cast<int>(std::string(form).size()) <= width) return Fit(form, width);
  return Fit(helpForms[std::size(helpForms) - 1], width);
}

std::vector<std::string> WrapText(const std::string &text, int width) {
  std::vector<std::string> lines;
  if (width <= 0) return lines;
  const size_t most = static_cast<size_t>(width);
  std::string line;
  bool paragraphEnded = false;
  auto flush = [&] {
    if (!line.empty()) lines.push_back(line);
    line.clear();
  };
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string source = text.substr(start, end - start);
    start = end + 1;
    if (source.find_first_not_of(" \t\r") == std::string::npos) {
      // One blank line between paragraphs, however many the text has.
      if (!line.empty()) paragraphEnded = true;
      flush();
      continue;
    }
    if (paragraphEnded) lines.push_back("");
    paragraphEnded = false;
    size_t at = 0;
    for (;;) {
      const size_t wordStart = source.find_first_not_of(" \t\r", at);
      if (wordStart == std::string::npos) break;
      size_t wordEnd = source.find_first_of(" \t\r", wordStart);
      if (wordEnd == std::string::npos) wordEnd = source.size();
      std::string word = source.substr(wordStart, wordEnd - wordStart);
      at = wordEnd;
      if (!line.empty() && line.size() + 1 + word.size() > most) flush();
      while (word.size() > most) {
        lines.push_back(word.substr(0, most));
        word.erase(0, most);
      }
      line += (line.empty() ? "" : " ") + word;
    }
  }
  flush();
  return lines;
}

std::vector<std::string> DescriptionLines(const std::string &scenarioName, const std::string &description, int width) {
  std::vector<std::string> lines = WrapText(description, width);
  if (lines.empty()) return lines;
  lines.insert(lines.begin(), {("About " + scenarioName).substr(0, static_cast<size_t>(width)), ""});
  lines.push_back("");
  for (const std::string &hint : WrapText("Shown until the first key. ? or h: every key.", width))
    lines.push_back(hint);
  return lines;
}

}  // namespace sim
