// The CSV files of a run: the tethers (one row per link per sample) and the vessels (one row per
// vessel per sample), numbers in round-trip precision.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace sim {

class Simulation;

// One CSV file, written a whole sample at a time: the rows of a sample reach the file together in
// one write, so that a file cut short by a signal, a full disk or a crash ends on a complete row.
class CsvFile {
public:
  CsvFile() = default;
  ~CsvFile();
  CsvFile(const CsvFile &) = delete;
  CsvFile &operator=(const CsvFile &) = delete;

  // A new file, its header written. False, with `error` set, when the file cannot be created.
  bool Open(const std::string &path, const char *header, std::string &error);
  // The file an earlier run wrote, to be continued from simulated time `time` (s): its rows up to
  // that time stay, later ones and an unfinished last row are dropped (`note` says so), and no
  // second header is written. A missing or empty file is begun anew. False, with `error` set and
  // the file left as it was, when it is not a CSV file with this header.
  bool Continue(const std::string &path, const char *header, double time, std::string &note, std::string &error);
  bool IsOpen() const { return file != nullptr; }

  void Row(const std::string &row);
  // Writes the rows since the last sample; `time` is theirs (s). After a failed write the file is
  // cut back to its last complete row and takes no more rows.
  void EndSample(double time);
  // The time of the last sample in the file (s), none before the first.
  std::optional<double> LastTime() const { return lastTime; }
  // Waits until the file's rows are on the disk; false when that or a write failed.
  bool Sync();
  bool Failed() const { return !failure.empty(); }
  // False, with `error` set, when anything failed to reach the file.
  bool Close(std::string &error);

private:
  // Cuts the file back to the bytes known to be whole rows.
  void CutBack();

  std::FILE *file = nullptr;
  std::string path;
  std::string pending;     // rows of the sample under way
  long long complete = 0;  // bytes of the file that are whole rows
  std::optional<double> lastTime;
  std::string failure;  // why a write failed; empty while none has
};

class Recorder {
public:
  static constexpr const char *tetherHeader =
      "time,link,connected,ship1,ship2,length,distance,stretch,pull,force,reel_speed,spool_mode";
  static constexpr const char *vesselHeader = "time,name,x,y,z,vx,vy,vz";

  // Empty paths record nothing. With `continueFrom` (s), files an earlier run wrote are continued
  // from that time (CsvFile::Continue); each note about dropped rows is added to `notes`. False,
  // with `error` set, when a file cannot be created or continued.
  bool Open(const std::string &tetherPath, const std::string &vesselPath, std::optional<double> continueFrom,
            std::vector<std::string> &notes, std::string &error);
  // The times written from now on are rounded to `decimals` (NumberFormat.h's RoundedTime): as
  // many as the step, the start and the end of the run need, so that the clock's count of steps
  // times the step is written without the noise of its last bits, and no two samples, a frame or
  // more apart, read the same.
  void RoundTimesTo(int decimals) { timeDecimals = decimals; }
  // One sample of the run as it stands now.
  void Sample(Simulation &simulation);
  // The first sample of a run, every `every` seconds from time 0: a continued file that already
  // holds every sample due by now gets none, so that no time appears in it twice.
  void FirstSample(Simulation &simulation, double every);
  // Whether a write failed: the run cannot be recorded any further.
  bool Failed() const { return tethers.Failed() || vessels.Failed(); }
  // Both files' rows on the disk; false when that failed.
  bool Sync();
  // Each file that failed adds a line to `errors`.
  void Close(std::vector<std::string> &errors);

private:
  void Sample(Simulation &simulation, bool toTethers, bool toVessels);

  CsvFile tethers, vessels;
  std::string time, row;  // the sample's time and the row being made, as text
  int timeDecimals = -1;  // -1: times as they are
};

// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string &text);
void AppendCsvField(std::string &out, const std::string &text);

}  // namespace sim
