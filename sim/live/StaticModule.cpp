#include "sim/live/StaticModule.h"

#include <cstring>

#include "host/OrbiterAPI.h"

namespace sim {

const StaticModule *FindStaticModule(const std::string &path) {
  const size_t folder = path.find_last_of("/\\");
  const std::string file = folder == std::string::npos ? path : path.substr(folder + 1);
  for (size_t i = 0; i < linkedModuleCount; ++i)
    if (file == linkedModules[i].file) return &linkedModules[i];
  return nullptr;
}

void (*StaticSymbol(const StaticModule &module, const char *name))() {
  for (size_t i = 0; i < module.count; ++i)
    if (std::strcmp(module.exports[i].name, name) == 0) return module.exports[i].address;
  return nullptr;
}

}  // namespace sim

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return sim::StaticSymbol(*static_cast<const sim::StaticModule *>(module), name);
}
