#include "CsvRows.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace recorder {

std::string FormatReal(double value) {
  char text[40];
  for (int digits = 15; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    if (!std::isfinite(value) || std::strtod(text, nullptr) == value) break;
  }
  return text;
}

std::string CsvField(const std::string &text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string field = "\"";
  for (char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + '"';
}

std::string VesselRow(double time, const std::string &name, const double pos[3], const double vel[3]) {
  std::string row = FormatReal(time) + ',' + CsvField(name);
  for (int i = 0; i < 3; ++i) row += ',' + FormatReal(pos[i]);
  for (int i = 0; i < 3; ++i) row += ',' + FormatReal(vel[i]);
  return row;
}

std::string TetherRowText(double time, const TetherRow &t) {
  std::string row = FormatReal(time) + ',' + std::to_string(t.link) + ',' + std::to_string(t.connected) + ',' +
                    CsvField(t.ship1) + ',' + CsvField(t.ship2);
  for (double value : {t.length, t.distance, t.stretch, t.pull, t.force, t.reelSpeed}) row += ',' + FormatReal(value);
  return row + ',' + std::to_string(t.spoolMode);
}

}  // namespace recorder
