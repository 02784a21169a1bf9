// Kestrane's links as its scenario block describes them, read from a scenario file the host saved:
// the lines between "BEGIN_<module>" and "END", "TetherData N FIELD VALUE…" for each link.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace recorder {

struct LinkRecord {
  int connected = 0;
  std::string ship1, ship2;
  double length = 0;       // m, unstretched
  double force = 0;        // N per percent of stretch
  double attach1[3] = {};  // m, in vessel 1's frame
  double attach2[3] = {};  // m, in vessel 2's frame
  int spoolMode = 0;
  double reelSpeed = 0;  // m/s
};

// The eight links of the block of `module` in a scenario file's text; none when the file holds no
// such block. A line of the block that says nothing about a link is passed over, and a value that
// is not of its field's kind leaves the field as it was.
std::optional<std::vector<LinkRecord>> ReadTetherBlock(std::string_view scenario, std::string_view module);

}  // namespace recorder
