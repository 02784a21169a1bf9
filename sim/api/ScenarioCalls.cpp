// The host's scenario writers and reader, on the ScenarioStream behind a FILEHANDLE.
#include <string>

#include "host/OrbiterAPI.h"
#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioStream.h"

namespace {

sim::ScenarioStream *Stream(FILEHANDLE scn) { return scn ? sim::ScenarioStream::FromHandle(scn) : nullptr; }

std::string Text(const char *text) { return text ? text : ""; }

}  // namespace

void oapiWriteScenario_string(FILEHANDLE scn, char *item, char *string) {
  if (sim::ScenarioStream *stream = Stream(scn)) stream->Write(Text(item), Text(string));
}

void oapiWriteScenario_int(FILEHANDLE scn, char *item, int i) {
  if (sim::ScenarioStream *stream = Stream(scn)) stream->Write(Text(item), std::to_string(i));
}

void oapiWriteScenario_float(FILEHANDLE scn, char *item, double d) {
  if (sim::ScenarioStream *stream = Stream(scn)) stream->Write(Text(item), sim::FormatReal(d));
}

void oapiWriteScenario_vec(FILEHANDLE scn, char *item, const VECTOR3 &vec) {
  if (sim::ScenarioStream *stream = Stream(scn))
    stream->Write(Text(item),
                  sim::FormatReal(vec.x) + " " + sim::FormatReal(vec.y) + " " + sim::FormatReal(vec.z));
}

bool oapiReadScenario_nextline(FILEHANDLE scn, char *&line) {
  sim::ScenarioStream *stream = Stream(scn);
  return stream != nullptr && stream->NextLine(line);
}
