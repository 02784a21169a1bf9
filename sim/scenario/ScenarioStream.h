// What stands behind a FILEHANDLE in the scenario calls: the lines a display writes into its
// block, or the lines of a block that a display reads.
#pragma once

#include <string>
#include <vector>

#include "host/OrbiterAPI.h"

namespace sim {

class ScenarioStream {
public:
  ScenarioStream() = default;
  // A stream to read these lines from, in order.
  explicit ScenarioStream(std::vector<std::string> linesToRead);

  FILEHANDLE Handle() { return this; }
  static ScenarioStream *FromHandle(FILEHANDLE handle) { return static_cast<ScenarioStream *>(handle); }

  // Writing: "  ITEM VALUE".
  void Write(const std::string &item, const std::string &value);
  const std::vector<std::string> &Written() const { return written; }

  // Reading: the next line with blanks trimmed and a ';' comment dropped; false at the end or at a
  // line that is exactly "END". Lines left empty are passed over. The pointer stays valid until
  // the next call.
  bool NextLine(char *&line);
  // How many lines NextLine has handed out (or consumed at the end marker).
  size_t LinesRead() const { return cursor; }

private:
  std::vector<std::string> written;
  std::vector<std::string> toRead;
  size_t cursor = 0;
  std::string current;
};

}  // namespace sim
