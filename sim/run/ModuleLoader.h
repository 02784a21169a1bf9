// Loads a plug-in module and calls it as a host of either generation does.
//
// The classic host lets the platform's loader notify the library entry of the attach after
// loading and of the detach before unloading, and reads the module's per-run and per-frame
// callbacks from the table that its exported __opcGetInterface returns; it steps the module with
// opcTimestep. The modern host looks every callback up by name: after loading it calls
// InitModule, or else opcDLLInit, with the module handle, and before unloading ExitModule, or else
// opcDLLExit; it steps the module with opcPreStep before the state update and opcPostStep after
// it. On Linux the host plays the platform loader's part for both.
#pragma once

#include <memory>
#include <string>

#include "host/OrbiterAPI.h"
#include "sim/scenario/ScenarioFile.h"
#include "tetherblock/LinkForces.h"

namespace sim {

enum class HostGeneration { Classic, Modern };

// The generation this program hosts by default: classic in kestrane-sim, modern in the test host
// orbiter.exe.
HostGeneration DefaultHostGeneration();

// The per-frame callbacks a host calls: its own generation's, or a choice of them.
enum class StepCallbacks { Host, Timestep, PreStep, Both };

// The module's callbacks as the host found them; null where the module has none.
struct ModuleCallbacks {
  void (*openRenderViewport)(HWND renderWindow, DWORD width, DWORD height, BOOL fullscreen) = nullptr;
  void (*closeRenderViewport)() = nullptr;
  void (*timestep)(double simt, double simdt, double mjd) = nullptr;
  void (*preStep)(double simt, double simdt, double mjd) = nullptr;
  void (*postStep)(double simt, double simdt, double mjd) = nullptr;
  // The module's own scenario block: read after the vessels exist, written after the ships. Hosts
  // of both generations look them up by name.
  void (*loadState)(FILEHANDLE scn) = nullptr;
  void (*saveState)(FILEHANDLE scn) = nullptr;
  // What the module tells a host that records a run: each link's force of its last step. Only
  // Kestrane has it.
  tetherblock::LinkForcesFunction *linkForces = nullptr;
};

// The name the host knows a module by, which heads its scenario block (BEGIN_<name>): its file's
// name without folder and extension, "Kestrane" for Kestrane.dll. A Linux module's file is named in
// lower case by custom (kestrane.so); such a name takes a capital first letter, so that the module
// writes the block the Windows build of it writes.
std::string ModuleName(const std::string &path);

class PluginModule {
public:
  // Null, with `error` saying why, when the file does not load or, for the classic host, lacks
  // __opcGetInterface or returns no table. `steps` chooses the per-frame callbacks; those that
  // the host's own way of finding callbacks does not reach are looked up by name.
  static std::unique_ptr<PluginModule> Load(const std::string &path, HostGeneration generation, StepCallbacks steps,
                                            std::string &error);
  static std::unique_ptr<PluginModule> Load(const std::string &path, std::string &error) {
    return Load(path, HostGeneration::Classic, StepCallbacks::Host, error);
  }
  // Ends the module (the modern host's exit call), notifies the detach and unloads.
  ~PluginModule();
  PluginModule(const PluginModule &) = delete;
  PluginModule &operator=(const PluginModule &) = delete;

  const ModuleCallbacks &Callbacks() const { return callbacks; }
  // Hands a module that reads its state the scenario's block of its name, positioned after the
  // BEGIN_ line: it reads to the END. False when the module or the file has none.
  bool LoadState(const Scenario &scenario) const;
  // The block a module that writes its state writes now, in the place of the one the scenario
  // has (kept as read while the module writes the same lines), else after the ships.
  void SaveState(Scenario &scenario) const;
  const std::string &Path() const { return path; }
  const std::string &Name() const { return name; }
  HostGeneration Generation() const { return generation; }

private:
  PluginModule(std::string path, void *handle, HostGeneration generation);

  std::string path;
  std::string name;
  void *handle;
  HostGeneration generation;
  ModuleCallbacks callbacks;
  bool initialised = false;  // the modern host called the module's initialisation
};

}  // namespace sim
