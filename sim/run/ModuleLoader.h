// Loads a plug-in module and plays the platform loader's part: the library entry is notified of
// the attach after loading and of the detach before unloading, and the host reads the module's
// callbacks from the table that its exported __opcGetInterface returns.
#pragma once

#include <memory>
#include <string>

#include "host/OrbiterAPI.h"

namespace sim {

class PluginModule {
public:
  // Null, with `error` saying why, when the file does not load or lacks __opcGetInterface.
  static std::unique_ptr<PluginModule> Load(const std::string &path, std::string &error);
  // Notifies the detach and unloads.
  ~PluginModule();
  PluginModule(const PluginModule &) = delete;
  PluginModule &operator=(const PluginModule &) = delete;

  // The module's callback table; slots the module does not export are null.
  const OPC_CALLBACKTABLE &Callbacks() const { return *table; }
  const std::string &Path() const { return path; }

private:
  PluginModule(std::string path, void *handle);

  std::string path;
  void *handle;
  OPC_CALLBACKTABLE *table = nullptr;
};

}  // namespace sim
