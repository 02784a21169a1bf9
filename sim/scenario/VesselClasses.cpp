#include "sim/scenario/VesselClasses.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioFile.h"
#include "sim/scenario/ScenarioText.h"

namespace sim {

namespace {

constexpr std::uintmax_t maxConfigSize = 1 << 20;  // bytes

VesselClass Stock(const char *name, double mass, Vec3 pmi, double size, std::vector<double> tanks, DockingPort port) {
  VesselClass c;
  c.name = name;
  c.mass = mass;
  c.pmi = pmi;
  c.size = size;
  c.tanks = std::move(tanks);
  c.docks = std::vector<DockingPort>{port};
  c.module = name;
  return c;
}

// The stock classes' facts: empty mass, inertia per unit mass, size, tanks and docking port. The
// DeltaGlider is the standard glider, without the scramjet, whose main tank holds 10400 + 2500 kg.
const std::vector<VesselClass> &StockClasses() {
  static const std::vector<VesselClass> classes = {
      Stock("ShuttlePB", 500, {2.28, 2.31, 0.79}, 3.5, {750}, {{0, 1.3, -1}, {0, 1, 0}, {0, 0, -1}}),
      Stock("DeltaGlider", 11000, {15.5, 22.1, 7.7}, 10, {12900, 600}, {{0, -0.49, 10.076}, {0, 0, 1}, {0, 1, 0}}),
      Stock("ShuttleA", 13000, {86.6, 89.8, 5.5}, 17, {71500, 2700}, {{0, 0, 18.677}, {0, 0, 1}, {0, 1, 0}}),
  };
  return classes;
}

// The fields a configuration file leaves out, from the class built in.
void Complete(VesselClass &c, const VesselClass &builtIn) {
  if (!c.mass) c.mass = builtIn.mass;
  if (!c.pmi) c.pmi = builtIn.pmi;
  if (c.size == 0) c.size = builtIn.size;
  if (!c.tanks) c.tanks = builtIn.tanks;
  if (!c.docks) c.docks = builtIn.docks;
}

class ConfigParser {
public:
  ConfigParser(const std::string &sourceName, const std::string &className) : source(sourceName) {
    result.name = className;
    result.source = sourceName;
  }

  VesselClass Run(const std::string &text) {
    std::string block;  // the open block's name, e.g. "DOCKLIST"
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      ++lineNumber;
      std::string raw = text.substr(start, end - start);
      if (!raw.empty() && raw.back() == '\r') raw.pop_back();
      start = end + 1;
      const std::string content = LineContent(raw);
      if (content.empty()) continue;
      const std::vector<std::string> words = Words(content);
      if (!block.empty()) {
        if (words[0] == "END_" + block) {
          block.clear();
        } else if (block == "DOCKLIST") {
          ReadPort(words);
        }
        continue;
      }
      if (words[0].rfind("BEGIN_", 0) == 0) {
        block = words[0].substr(6);
        // A dock list, even an empty one, says which ports the class has.
        if (block == "DOCKLIST" && !result.docks) result.docks.emplace();
        continue;
      }
      const size_t equals = content.find('=');
      if (equals == std::string::npos) continue;
      const std::string key = Lower(Trim(content.substr(0, equals)));
      const std::string value = Trim(content.substr(equals + 1));
      const std::vector<std::string> values = Words(value);
      if (key == "mass") {
        result.mass = Positive("Mass", values);
      } else if (key == "size") {
        result.size = Positive("Size", values);
      } else if (key == "inertia") {
        const std::vector<double> v = Reals("Inertia", values, 3, "three numbers");
        if (!(v[0] > 0 && v[1] > 0 && v[2] > 0)) Fail("Inertia must be above 0");
        result.pmi = Vec3{v[0], v[1], v[2]};
      } else if (key == "maxfuel") {
        const double capacity = Reals("MaxFuel", values, 1, "one number")[0];
        if (capacity < 0) Fail("MaxFuel must not be below 0");
        if (!result.tanks) result.tanks.emplace();
        if (capacity > 0) result.tanks->push_back(capacity);
      } else if (key == "meshname") {
        result.meshName = value;
      } else if (key == "module") {
        result.module = value;
      }
    }
    if (!block.empty()) throw ScenarioError(source + ": BEGIN_" + block + " is not closed");
    return result;
  }

private:
  [[noreturn]] void Fail(const std::string &problem) const {
    throw ScenarioError(source + ":" + std::to_string(lineNumber) + ": " + problem);
  }

  std::vector<double> Reals(const char *key, const std::vector<std::string> &words, size_t count, const char *what) {
    if (words.size() != count) Fail(std::string(key) + " needs " + what);
    std::vector<double> values(count);
    for (size_t i = 0; i < count; ++i) {
      const std::string problem = ReadReal(words[i], values[i]);
      if (!problem.empty()) Fail(std::string(key) + ": \"" + words[i] + "\" " + problem);
    }
    return values;
  }

  double Positive(const char *key, const std::vector<std::string> &words) {
    const double value = Reals(key, words, 1, "one number")[0];
    if (!(value > 0)) Fail(std::string(key) + " must be above 0");
    return value;
  }

  void ReadPort(const std::vector<std::string> &words) {
    if (words.size() != 9 && words.size() != 10)
      Fail("a docking port needs nine numbers: position, direction, alignment (then a radio id)");
    const std::vector<double> v =
        Reals("docking port", std::vector<std::string>(words.begin(), words.begin() + 9), 9, "nine numbers");
    result.docks->push_back({{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, {v[6], v[7], v[8]}});
  }

  std::string source;
  size_t lineNumber = 0;
  VesselClass result;
};

}  // namespace

const VesselClass *StockClass(std::string_view name) {
  const std::string wanted = Lower(name);
  for (const VesselClass &c : StockClasses())
    if (Lower(c.name) == wanted) return &c;
  return nullptr;
}

VesselClass ParseClassConfig(const std::string &text, const std::string &sourceName, const std::string &className) {
  return ConfigParser(sourceName, className).Run(text);
}

VesselClasses::VesselClasses(std::string dir) : hostDir(std::move(dir)) {}

std::string VesselClasses::ConfigPath(const std::string &name) const {
  if (hostDir.empty()) return "";
  return (std::filesystem::path(hostDir) / "Config" / "Vessels" / (name + ".cfg")).string();
}

const VesselClass *VesselClasses::Find(const std::string &name) {
  const std::string key = Lower(name);
  auto known = read.find(key);
  if (known != read.end()) return known->second.get();

  if (!hostDir.empty() && !listed) {
    listed = true;
    std::error_code error;
    for (const auto &entry :
         std::filesystem::directory_iterator(std::filesystem::path(hostDir) / "Config" / "Vessels", error))
      files.emplace(Lower(entry.path().filename().string()), entry.path().string());
  }
  auto file = files.find(key + ".cfg");
  if (file != files.end()) {
    const std::string &path = file->second;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) throw ScenarioError(path + ": cannot be read");
    if (size > maxConfigSize) throw ScenarioError(path + ": larger than 1 MiB, not a class configuration file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScenarioError(path + ": cannot be opened");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw ScenarioError(path + ": cannot be read");
    auto parsed = std::make_unique<VesselClass>(ParseClassConfig(text, path, name));
    // A class whose module sets its facts in code: the ship's class name or the file's Module
    // names the class built in.
    const VesselClass *builtIn = StockClass(name);
    if (builtIn == nullptr && !parsed->module.empty()) builtIn = StockClass(parsed->module);
    if (builtIn != nullptr) Complete(*parsed, *builtIn);
    return read.emplace(key, std::move(parsed)).first->second.get();
  }
  return StockClass(name);
}

}  // namespace sim
