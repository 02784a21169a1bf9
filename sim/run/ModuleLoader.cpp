#include "sim/run/ModuleLoader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace sim {

namespace {

#ifdef _WIN32
void *OpenLibrary(const std::string &path, std::string &error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) error = "cannot load plug-in '" + path + "' (error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<void *>(module);
}
void *FindSymbol(void *handle, const char *name) {
  return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void CloseLibrary(void *handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
// The Windows loader calls the entry itself.
void NotifyEntry(void *, DWORD) {}
#else
void *OpenLibrary(const std::string &path, std::string &error) {
  // A bare file name would be searched on the library path; the host loads the file it is given.
  std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  void *handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char *why = dlerror();
    error = "cannot load plug-in '" + path + "': " + (why ? why : "unknown error");
  }
  return handle;
}
void *FindSymbol(void *handle, const char *name) { return dlsym(handle, name); }
void CloseLibrary(void *handle) { dlclose(handle); }
// Here the host plays the loader: the module's static initialisers have run by the time dlopen
// returns, so its entry sees a fully constructed library, as it would on Windows.
void NotifyEntry(void *handle, DWORD reason) {
  using Entry = BOOL (*)(HINSTANCE, DWORD, LPVOID);
  if (auto entry = reinterpret_cast<Entry>(FindSymbol(handle, "DllMain"))) entry(handle, reason, nullptr);
}
#endif

}  // namespace

PluginModule::PluginModule(std::string modulePath, void *moduleHandle)
    : path(std::move(modulePath)), handle(moduleHandle) {}

std::unique_ptr<PluginModule> PluginModule::Load(const std::string &path, std::string &error) {
  void *handle = OpenLibrary(path, error);
  if (handle == nullptr) return nullptr;
  auto getInterface = reinterpret_cast<OPC_GetInterface>(FindSymbol(handle, "__opcGetInterface"));
  if (getInterface == nullptr) {
    error = "plug-in '" + path + "' does not export __opcGetInterface";
    CloseLibrary(handle);
    return nullptr;
  }
  std::unique_ptr<PluginModule> module(new PluginModule(path, handle));
  NotifyEntry(handle, DLL_PROCESS_ATTACH);
  module->table = getInterface();
  if (module->table == nullptr) {
    error = "plug-in '" + path + "' returned no callback table";
    return nullptr;  // the destructor notifies the detach and unloads
  }
  return module;
}

PluginModule::~PluginModule() {
  NotifyEntry(handle, DLL_PROCESS_DETACH);
  CloseLibrary(handle);
}

}  // namespace sim
