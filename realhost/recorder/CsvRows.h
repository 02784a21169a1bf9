// The rows of the recorder's CSV files, in kestrane-sim's columns and number format, so that a run
// of the real host and one of kestrane-sim can be compared file for file.
#pragma once

#include <string>

namespace recorder {

constexpr const char *vesselHeader = "time,name,x,y,z,vx,vy,vz";
constexpr const char *tetherHeader =
    "time,link,connected,ship1,ship2,length,distance,stretch,pull,force,reel_speed,spool_mode";

// A real as kestrane-sim writes it: the first of "%.15g", "%.16g" and "%.17g" that reads back to
// the same double, so 1000 stays "1000" and 0.1 stays "0.1".
std::string FormatReal(double value);
// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string &text);

// One vessel at one sample: position (m) and velocity (m/s) from the central body's centre, in
// the host's ecliptic frame.
std::string VesselRow(double time, const std::string &name, const double pos[3], const double vel[3]);

// One link at one sample, as kestrane-sim reports it.
struct TetherRow {
  int link = 0;
  int connected = 0;
  std::string ship1, ship2;
  double length = 0;     // m, unstretched
  double distance = 0;   // m, attach point to attach point
  double stretch = 0;    // percent
  double pull = 0;       // N
  double force = 0;      // N per percent of stretch
  double reelSpeed = 0;  // m/s
  int spoolMode = 0;
};
std::string TetherRowText(double time, const TetherRow &row);

}  // namespace recorder
