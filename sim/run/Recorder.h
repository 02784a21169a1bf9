// The CSV files of a run: the tethers (one row per link per sample) and the vessels (one row per
// vessel per sample), numbers in round-trip precision.
#pragma once

#include <cstdio>
#include <string>

namespace sim {

class Simulation;

class CsvFile {
public:
  CsvFile() = default;
  ~CsvFile();
  CsvFile(const CsvFile &) = delete;
  CsvFile &operator=(const CsvFile &) = delete;

  // False, with `error` set, when the file cannot be created.
  bool Open(const std::string &path, const char *header, std::string &error);
  bool IsOpen() const { return file != nullptr; }
  void Row(const std::string &row);
  // False, with `error` set, when anything failed to reach the file.
  bool Close(std::string &error);

private:
  std::FILE *file = nullptr;
  std::string path;
};

class Recorder {
public:
  static constexpr const char *tetherHeader =
      "time,link,connected,ship1,ship2,length,distance,stretch,pull,force,reel_speed,spool_mode";
  static constexpr const char *vesselHeader = "time,name,x,y,z,vx,vy,vz";

  // Empty paths record nothing. False, with `error` set, when a file cannot be created.
  bool Open(const std::string &tetherPath, const std::string &vesselPath, std::string &error);
  // One sample of the run as it stands now.
  void Sample(Simulation &simulation);
  bool Close(std::string &error);

private:
  CsvFile tethers, vessels;
};

// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string &text);

}  // namespace sim
