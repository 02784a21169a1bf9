#include "sim/run/PluginContract.h"

#include "tetherblock/BlockLine.h"

namespace sim::plugin {

std::string LinkKey(int link, std::string_view field) {
  char key[keySize];
  tetherblock::LinkKey(key, link, std::string(field).c_str());
  return key;
}

}  // namespace sim::plugin
