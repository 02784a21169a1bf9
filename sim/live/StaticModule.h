// A module linked into the host's program rather than loaded from a file, as in the browser, where
// there is no dynamic loader. The host keeps the table of the module's exports by name, the names
// and functions the module's file exports; the table is the module's handle, so the host's loader
// and the module's own look-ups by name (GetProcAddress) both find the same functions there.
#pragma once

#include <cstddef>
#include <string>

namespace sim {

struct StaticExport {
  const char *name;
  void (*address)();  // the function, called only as the type it has
};

struct StaticModule {
  const char *file;  // the file it is linked in place of: "kestrane.so"
  const StaticExport *exports;
  size_t count;
};

// The modules this program links in.
extern const StaticModule linkedModules[];
extern const size_t linkedModuleCount;

// The module linked in place of the file `path` names (its folder passed over), or null.
const StaticModule *FindStaticModule(const std::string &path);
// The module's export of that name, or null.
void (*StaticSymbol(const StaticModule &module, const char *name))();

}  // namespace sim
