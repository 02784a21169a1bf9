#include "sim/run/Recorder.h"

#include <cerrno>
#include <cstring>

#include "sim/scenario/NumberFormat.h"
#include "sim/run/Simulation.h"

namespace sim {

CsvFile::~CsvFile() {
  if (file != nullptr) std::fclose(file);
}

bool CsvFile::Open(const std::string &filePath, const char *header, std::string &error) {
  path = filePath;
  file = std::fopen(path.c_str(), "w");
  if (file == nullptr) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  std::fprintf(file, "%s\n", header);
  return true;
}

void CsvFile::Row(const std::string &row) {
  if (file != nullptr) std::fprintf(file, "%s\n", row.c_str());
}

bool CsvFile::Close(std::string &error) {
  if (file == nullptr) return true;
  bool ok = std::ferror(file) == 0;
  ok = std::fclose(file) == 0 && ok;
  file = nullptr;
  if (!ok) error = "writing '" + path + "' failed";
  return ok;
}

std::string CsvField(const std::string &text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

bool Recorder::Open(const std::string &tetherPath, const std::string &vesselPath, std::string &error) {
  if (!tetherPath.empty() && !tethers.Open(tetherPath, tetherHeader, error)) return false;
  if (!vesselPath.empty() && !vessels.Open(vesselPath, vesselHeader, error)) return false;
  return true;
}

void Recorder::Sample(Simulation &simulation) {
  const std::string time = FormatReal(simulation.Time());
  if (tethers.IsOpen()) {
    for (const TetherSample &t : simulation.Tethers()) {
      tethers.Row(time + "," + std::to_string(t.link) + "," + std::to_string(t.connected) + "," + CsvField(t.ship1) +
                  "," + CsvField(t.ship2) + "," + FormatReal(t.length) + "," + FormatReal(t.distance) + "," +
                  FormatReal(t.stretch) + "," + FormatReal(t.pull) + "," + FormatReal(t.force) + "," +
                  FormatReal(t.reelSpeed) + "," + std::to_string(t.spoolMode));
    }
  }
  if (vessels.IsOpen()) {
    World &world = simulation.GetWorld();
    for (size_t i = 0; i < world.VesselCount(); ++i) {
      const Vessel *v = world.VesselAt(i);
      vessels.Row(time + "," + CsvField(v->Name()) + "," + FormatReal(v->pos.x) + "," + FormatReal(v->pos.y) + "," +
                  FormatReal(v->pos.z) + "," + FormatReal(v->vel.x) + "," + FormatReal(v->vel.y) + "," +
                  FormatReal(v->vel.z));
    }
  }
}

bool Recorder::Close(std::string &error) {
  bool ok = tethers.Close(error);
  return vessels.Close(error) && ok;
}

}  // namespace sim
