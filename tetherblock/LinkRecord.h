// A link as the block describes it, as a host keeps it for its records of a run: what the plug-in
// wrote, in double precision, a value stored as read.
#pragma once

#include <string>

#include "tetherblock/BlockLine.h"

namespace tetherblock {

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

// A link line's value into `record`, the record of the line's link (`line.link`); a line that was
// not read leaves it as it was. The names keep their storage.
void Store(const Line &line, LinkRecord &record);

// The record of each link as a host reads it, none connected, before a block is read; the names keep their storage.
void Clear(LinkRecord (&records)[linkCount]);

}  // namespace tetherblock
