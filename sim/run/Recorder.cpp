#include "sim/run/Recorder.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "sim/run/Simulation.h"
#include "sim/scenario/FileSync.h"
#include "sim/scenario/NumberFormat.h"
#include "sim/world/SimTime.h"

namespace sim {

namespace {

// Cuts the file to `size` bytes and goes on writing there.
bool CutTo(std::FILE *file, long long size) {
  std::fflush(file);
  std::clearerr(file);
#ifdef _WIN32
  return _chsize_s(_fileno(file), size) == 0 && _fseeki64(file, size, SEEK_SET) == 0;
#else
  return ftruncate(fileno(file), static_cast<off_t>(size)) == 0 &&
         fseeko(file, static_cast<off_t>(size), SEEK_SET) == 0;
#endif
}

// The time a row starts with, if it is a number.
std::optional<double> RowTime(const std::string &row) {
  const size_t comma = std::min(row.find(','), row.size());
  double time = 0;
  const auto [end, error] = std::from_chars(row.data(), row.data() + comma, time);
  if (error != std::errc() || end != row.data() + comma || comma == 0) return std::nullopt;
  return time;
}

}  // namespace

CsvFile::~CsvFile() {
  if (file != nullptr) std::fclose(file);
}

bool CsvFile::Open(const std::string &filePath, const char *header, std::string &error) {
  path = filePath;
  file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  // Unbuffered: a sample's rows go out in the one write that EndSample makes.
  std::setvbuf(file, nullptr, _IONBF, 0);
  Row(header);
  if (std::fwrite(pending.data(), 1, pending.size(), file) != pending.size()) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  complete = static_cast<long long>(pending.size());
  pending.clear();
  return true;
}

bool CsvFile::Continue(const std::string &filePath, const char *header, double time, std::string &note,
                       std::string &error) {
  std::FILE *earlier = std::fopen(filePath.c_str(), "r+b");
  if (earlier == nullptr) {
    if (errno == ENOENT) return Open(filePath, header, error);
    error = "cannot continue '" + filePath + "': " + std::strerror(errno);
    return false;
  }
  // The earlier run's rows, a line at a time: the header, then rows in time order.
  long long lineStart = 0, offset = 0, keep = -1, lineNumber = 0;
  size_t dropped = 0;
  std::optional<double> last;
  std::string line;
  bool refused = false;
  char chunk[65536];
  for (size_t n; !refused && (n = std::fread(chunk, 1, sizeof chunk, earlier)) > 0;) {
    for (size_t i = 0; i < n && !refused; ++i, ++offset) {
      if (chunk[i] != '\n') {
        line += chunk[i];
        continue;
      }
      ++lineNumber;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (lineNumber == 1) {
        if (line != header) {
          error = "cannot continue '" + filePath + "': it does not begin with the header " + header;
          refused = true;
        }
      } else if (keep >= 0) {
        ++dropped;
      } else if (const std::optional<double> rowTime = RowTime(line)) {
        if (After(*rowTime, time)) {
          keep = lineStart;
          ++dropped;
        } else {
          last = rowTime;
        }
      } else {
        error = "cannot continue '" + filePath + "': line " + std::to_string(lineNumber) + " is not a row of a run";
        refused = true;
      }
      line.clear();
      lineStart = offset + 1;
    }
  }
  if (!refused && std::ferror(earlier)) {
    error = "cannot read '" + filePath + "': " + std::strerror(errno);
    refused = true;
  }
  // A header cut short is no header: the file is begun anew.
  const bool tornHeader = lineNumber == 0 && std::string(header).compare(0, line.size(), line) == 0;
  if (!refused && lineNumber == 0 && !tornHeader) {
    error = "cannot continue '" + filePath + "': it does not begin with the header " + header;
    refused = true;
  }
  if (refused) {
    std::fclose(earlier);
    return false;
  }
  if (tornHeader) {
    std::fclose(earlier);
    return Open(filePath, header, error);
  }

  const bool unfinished = !line.empty();
  if (keep < 0) keep = lineStart;
  file = earlier;
  path = filePath;
  std::setvbuf(file, nullptr, _IONBF, 0);
  if (!CutTo(file, keep)) {
    error = "cannot continue '" + filePath + "': " + std::strerror(errno);
    return false;
  }
  complete = keep;
  lastTime = last;
  if (dropped > 0 || unfinished) {
    note = "'" + filePath + "': ";
    if (dropped > 0)
      note += std::to_string(dropped) + (dropped == 1 ? " row" : " rows") + " after t = " + FormatSeconds(time) + " s";
    if (dropped > 0 && unfinished) note += " and ";
    if (unfinished) note += "an unfinished last row";
    note += " dropped";
  }
  return true;
}

void CsvFile::Row(const std::string &row) {
  if (file == nullptr || Failed()) return;
  pending += row;
  pending += '\n';
}

void CsvFile::EndSample(double time) {
  if (file == nullptr || Failed()) return;
  errno = 0;
  if (std::fwrite(pending.data(), 1, pending.size(), file) != pending.size()) {
    failure = errno != 0 ? std::strerror(errno) : "the write was cut short";
    CutBack();
  } else {
    complete += static_cast<long long>(pending.size());
    lastTime = time;
  }
  pending.clear();
}

void CsvFile::CutBack() {
  // Whole rows are all that is kept; when even cutting fails the message says what happened.
  if (!CutTo(file, complete))
    failure += std::string(", and the unfinished row could not be removed: ") + std::strerror(errno);
}

bool CsvFile::Sync() {
  if (file == nullptr || Failed()) return !Failed();
  if (!SyncFile(file)) failure = std::string("it could not be synced to the disk: ") + std::strerror(errno);
  return !Failed();
}

bool CsvFile::Close(std::string &error) {
  if (file == nullptr) return true;
  bool ok = !Failed() && std::ferror(file) == 0;
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    failure = std::strerror(errno);
  }
  file = nullptr;
  if (!ok) error = "writing '" + path + "' failed: " + (failure.empty() ? "an error of the file" : failure);
  return ok;
}

std::string CsvField(const std::string &text) {
  std::string field;
  AppendCsvField(field, text);
  return field;
}

void AppendCsvField(std::string &out, const std::string &text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

bool Recorder::Open(const std::string &tetherPath, const std::string &vesselPath, std::optional<double> continueFrom,
                    std::vector<std::string> &notes, std::string &error) {
  const std::pair<CsvFile *, std::pair<const std::string *, const char *>> files[] = {
      {&tethers, {&tetherPath, tetherHeader}}, {&vessels, {&vesselPath, vesselHeader}}};
  for (const auto &[csv, what] : files) {
    const std::string &path = *what.first;
    if (path.empty()) continue;
    if (!continueFrom) {
      if (!csv->Open(path, what.second, error)) return false;
      continue;
    }
    std::string note;
    if (!csv->Continue(path, what.second, *continueFrom, note, error)) return false;
    if (!note.empty()) notes.push_back(note);
  }
  return true;
}

void Recorder::Sample(Simulation &simulation) { Sample(simulation, true, true); }

void Recorder::FirstSample(Simulation &simulation, double every) {
  const double now = simulation.Time();
  // The last sample due at or before now; `now` itself when it falls on none.
  const double due = std::floor(now / every * (1 + timeSlack)) * every;
  auto holds = [&](const CsvFile &csv) { return csv.LastTime() && !After(due, *csv.LastTime()); };
  Sample(simulation, !holds(tethers), !holds(vessels));
}

namespace {

void AppendInteger(std::string &out, long long value) {
  char text[24];
  out.append(text, static_cast<size_t>(std::to_chars(text, text + sizeof text, value).ptr - text));
}

}  // namespace

void Recorder::Sample(Simulation &simulation, bool toTethers, bool toVessels) {
  if (!tethers.IsOpen() && !vessels.IsOpen()) return;
  // Each row is made in `row`, whose storage serves every row: a sample allocates nothing once
  // the rows have been as long once.
  const double now = simulation.Time();
  time.clear();
  AppendReal(time, RoundedTime(now, timeDecimals));
  if (toTethers && tethers.IsOpen() && !tethers.Failed()) {
    for (const TetherSample &t : simulation.SampleTethers()) {
      row.assign(time);
      row += ',';
      AppendInteger(row, t.link);
      row += ',';
      AppendInteger(row, t.connected);
      row += ',';
      AppendCsvField(row, t.ship1);
      row += ',';
      AppendCsvField(row, t.ship2);
      for (const double value : {t.length, t.distance, t.stretch, t.pull, t.force, t.reelSpeed}) {
        row += ',';
        AppendReal(row, value);
      }
      row += ',';
      AppendInteger(row, t.spoolMode);
      tethers.Row(row);
    }
    tethers.EndSample(now);
  }
  if (toVessels && vessels.IsOpen() && !vessels.Failed()) {
    World &world = simulation.GetWorld();
    for (size_t i = 0; i < world.VesselCount(); ++i) {
      const Vessel *v = world.VesselAt(i);
      row.assign(time);
      row += ',';
      AppendCsvField(row, v->Name());
      for (const double value : {v->pos.x, v->pos.y, v->pos.z, v->vel.x, v->vel.y, v->vel.z}) {
        row += ',';
        AppendReal(row, value);
      }
      vessels.Row(row);
    }
    vessels.EndSample(now);
  }
}

bool Recorder::Sync() {
  const bool ok = tethers.Sync();
  return vessels.Sync() && ok;
}

void Recorder::Close(std::vector<std::string> &errors) {
  std::string error;
  if (!tethers.Close(error)) errors.push_back(error);
  if (!vessels.Close(error)) errors.push_back(error);
}

}  // namespace sim
