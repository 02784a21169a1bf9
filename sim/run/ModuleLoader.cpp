#include "sim/run/ModuleLoader.h"

#include "sim/scenario/ScenarioStream.h"
#include "sim/scenario/ScenarioText.h"

#ifdef _WIN32
#include <windows.h>
#elif defined(__EMSCRIPTEN__)
#include "sim/live/StaticModule.h"
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
#ifdef __EMSCRIPTEN__
// No dynamic loader: the module is linked in, and its handle is the table of its exports.
void *OpenLibrary(const std::string &path, std::string &error) {
  const StaticModule *module = FindStaticModule(path);
  if (module == nullptr) error = "no plug-in '" + path + "' is linked into this program";
  return const_cast<StaticModule *>(module);
}
void *FindSymbol(void *handle, const char *name) {
  return reinterpret_cast<void *>(StaticSymbol(*static_cast<const StaticModule *>(handle), name));
}
void CloseLibrary(void *) {}
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
#endif
// Here the host plays the loader: the module's static initialisers have run by the time dlopen
// returns, so its entry sees a fully constructed library, as it would on Windows.
void NotifyEntry(void *handle, DWORD reason) {
  using Entry = BOOL (*)(HINSTANCE, DWORD, LPVOID);
  if (auto entry = reinterpret_cast<Entry>(FindSymbol(handle, "DllMain"))) entry(handle, reason, nullptr);
}
#endif

// The module's own export of that name, as a function of the type it is stored in.
template <typename Function>
void Find(void *handle, const char *name, Function &function) {
  function = reinterpret_cast<Function>(FindSymbol(handle, name));
}

// The classic host's table, slot by slot: open viewport, close viewport, time step, focus
// changed, time acceleration changed.
struct ClassicTable {
  decltype(ModuleCallbacks::openRenderViewport) openRenderViewport;
  decltype(ModuleCallbacks::closeRenderViewport) closeRenderViewport;
  decltype(ModuleCallbacks::timestep) timestep;
  void (*focusChanged)(OBJHANDLE newFocus, OBJHANDLE oldFocus);
  void (*timeAccChanged)(double newWarp, double oldWarp);
};

using ModuleNotification = void (*)(HINSTANCE module);

// The modern host's initialisation or exit: the first of the two names the module exports.
void CallFirst(void *handle, const char *name, const char *otherwise) {
  ModuleNotification call = nullptr;
  Find(handle, name, call);
  if (call == nullptr) Find(handle, otherwise, call);
  if (call != nullptr) call(static_cast<HINSTANCE>(handle));
}

// What a module reads of lines: each without its comment and blanks, empty ones passed over.
std::vector<std::string> Contents(const std::vector<std::string> &lines) {
  std::vector<std::string> contents;
  for (const std::string &line : lines)
    if (!LineContent(line).empty()) contents.push_back(LineContent(line));
  return contents;
}

}  // namespace

std::string ModuleName(const std::string &path) {
  const size_t folder = path.find_last_of("/\\");
  std::string name = folder == std::string::npos ? path : path.substr(folder + 1);
  const size_t dot = name.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  bool lowerCase = true;
  for (char c : name) lowerCase = lowerCase && !(c >= 'A' && c <= 'Z');
  if (extension == ".so" && lowerCase && !name.empty() && name[0] >= 'a' && name[0] <= 'z')
    name[0] = static_cast<char>(name[0] - 'a' + 'A');
  return name;
}

PluginModule::PluginModule(std::string modulePath, void *moduleHandle, HostGeneration hostGeneration)
    : path(std::move(modulePath)), name(ModuleName(path)), handle(moduleHandle), generation(hostGeneration) {}

std::unique_ptr<PluginModule> PluginModule::Load(const std::string &path, HostGeneration generation,
                                                 StepCallbacks steps, std::string &error) {
  void *handle = OpenLibrary(path, error);
  if (handle == nullptr) return nullptr;
  using GetInterface = ClassicTable *(*)();
  GetInterface getInterface = nullptr;
  Find(handle, "__opcGetInterface", getInterface);
  if (generation == HostGeneration::Classic && getInterface == nullptr) {
    error = "plug-in '" + path + "' does not export __opcGetInterface";
    CloseLibrary(handle);
    return nullptr;
  }
  std::unique_ptr<PluginModule> module(new PluginModule(path, handle, generation));
  NotifyEntry(handle, DLL_PROCESS_ATTACH);
  ModuleCallbacks &callbacks = module->callbacks;
  if (generation == HostGeneration::Classic) {
    const ClassicTable *table = getInterface();
    if (table == nullptr) {
      error = "plug-in '" + path + "' returned no callback table";
      return nullptr;  // the destructor notifies the detach and unloads
    }
    callbacks.openRenderViewport = table->openRenderViewport;
    callbacks.closeRenderViewport = table->closeRenderViewport;
    callbacks.timestep = table->timestep;
    if (steps == StepCallbacks::Host) steps = StepCallbacks::Timestep;
  } else {
    CallFirst(handle, "InitModule", "opcDLLInit");
    module->initialised = true;
    Find(handle, "opcOpenRenderViewport", callbacks.openRenderViewport);
    Find(handle, "opcCloseRenderViewport", callbacks.closeRenderViewport);
    Find(handle, "opcPreStep", callbacks.preStep);
    Find(handle, "opcPostStep", callbacks.postStep);
    if (steps == StepCallbacks::Host) steps = StepCallbacks::PreStep;
  }
  Find(handle, "opcLoadState", callbacks.loadState);
  Find(handle, "opcSaveState", callbacks.saveState);
  Find(handle, tetherblock::linkForcesExport, callbacks.linkForces);
  // A host that calls a callback its own generation does not know finds it by name.
  if (steps == StepCallbacks::PreStep || steps == StepCallbacks::Both) {
    if (callbacks.preStep == nullptr) Find(handle, "opcPreStep", callbacks.preStep);
  } else {
    callbacks.preStep = nullptr;
  }
  if (steps == StepCallbacks::Timestep || steps == StepCallbacks::Both) {
    if (callbacks.timestep == nullptr) Find(handle, "opcTimestep", callbacks.timestep);
  } else {
    callbacks.timestep = nullptr;
  }
  return module;
}

bool PluginModule::LoadState(const Scenario &scenario) const {
  const ModuleBlock *block = FindModuleBlock(scenario, name);
  if (callbacks.loadState == nullptr || block == nullptr) return false;
  ScenarioStream stream(LinesForReader(*block));
  callbacks.loadState(stream.Handle());
  return true;
}

void PluginModule::SaveState(Scenario &scenario) const {
  if (callbacks.saveState == nullptr) return;
  ScenarioStream stream;
  callbacks.saveState(stream.Handle());
  ModuleBlock *block = FindModuleBlock(scenario, name);
  if (block == nullptr) {
    scenario.modules.push_back({name, stream.Written(), {}});
  } else if (Contents(block->lines) != Contents(stream.Written())) {
    *block = {name, stream.Written(), {}};
  }
}

PluginModule::~PluginModule() {
  if (initialised) CallFirst(handle, "ExitModule", "opcDLLExit");
  NotifyEntry(handle, DLL_PROCESS_DETACH);
  CloseLibrary(handle);
}

}  // namespace sim
