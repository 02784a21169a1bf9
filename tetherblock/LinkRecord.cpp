#include "tetherblock/LinkRecord.h"

namespace tetherblock {

void Store(const Line &line, LinkRecord &record) {
  if (line.kind != Line::Kind::Link || !line.read) return;
  switch (static_cast<Field>(line.field)) {
    case Field::Connect:
      record.connected = line.integer;
      break;
    case Field::Ship1:
      record.ship1 = line.name;
      break;
    case Field::Ship2:
      record.ship2 = line.name;
      break;
    case Field::Length:
      record.length = line.real[0];
      break;
    case Field::Force:
      record.force = line.real[0];
      break;
    case Field::Attach1:
    case Field::Attach2:
      for (int i = 0; i < 3; ++i)
        (line.field == static_cast<int>(Field::Attach1) ? record.attach1 : record.attach2)[i] = line.real[i];
      break;
    case Field::SpoolMode:
      record.spoolMode = line.integer;
      break;
    case Field::ReelSpeed:
      record.reelSpeed = line.real[0];
      break;
  }
}

void Clear(LinkRecord (&records)[linkCount]) {
  for (LinkRecord &r : records) {
    r.connected = 0;
    r.ship1.clear();
    r.ship2.clear();
    r.length = r.force = r.reelSpeed = 0;
    r.spoolMode = 0;
    for (int i = 0; i < 3; ++i) r.attach1[i] = r.attach2[i] = 0;
  }
}

}  // namespace tetherblock
