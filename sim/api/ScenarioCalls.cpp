// The host's scenario writers and reader, forwarded to the core's stream behind a FILEHANDLE.
#include "Orbitersdk.h"
#include "sim/api/Adapter.h"

void oapiWriteScenario_string(FILEHANDLE scn, char *item, char *string) {
  kestraneCore->writeScenarioString(scn, item, string);
}

void oapiWriteScenario_int(FILEHANDLE scn, char *item, int i) { kestraneCore->writeScenarioInt(scn, item, i); }

void oapiWriteScenario_float(FILEHANDLE scn, char *item, double d) { kestraneCore->writeScenarioFloat(scn, item, d); }

void oapiWriteScenario_vec(FILEHANDLE scn, char *item, const VECTOR3 &vec) {
  kestraneCore->writeScenarioVector(scn, item, vec.data);
}

bool oapiReadScenario_nextline(FILEHANDLE scn, char *&line) { return kestraneCore->readScenarioLine(scn, &line) != 0; }
