// A plug-in module of the tests' own that has a scenario block and nothing else: it keeps the
// lines the host hands it at load and writes them back at save after the number of loads, so that
// a test sees what the host handed it and where the host puts what the module writes.
#include <string>
#include <vector>

#include "OrbiterAPI.h"

namespace {

std::vector<std::string> kept;
int loads = 0;

}  // namespace

DLLCLBK void opcLoadState(FILEHANDLE scn) {
  ++loads;
  kept.clear();
  char *line = nullptr;
  while (oapiReadScenario_nextline(scn, line)) kept.emplace_back(line);
}

DLLCLBK void opcSaveState(FILEHANDLE scn) {
  oapiWriteScenario_int(scn, const_cast<char *>("Loads"), loads);
  for (std::string &line : kept) oapiWriteScenario_string(scn, const_cast<char *>("Kept"), &line[0]);
}
