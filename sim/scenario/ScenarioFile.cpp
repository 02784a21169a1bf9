#include "sim/scenario/ScenarioFile.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "sim/scenario/FileSync.h"
#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioStream.h"
#include "sim/world/World.h"

namespace sim {

namespace {

constexpr size_t maxLineLength = 4096;            // characters, without the line end
constexpr std::uintmax_t maxFileSize = 64 << 20;  // bytes
constexpr size_t quoteLength = 40;                // characters of a line quoted in a message
constexpr double radiansPerDegree = 3.14159265358979323846 / 180.0;
constexpr double degreesPerRadian = 180.0 / 3.14159265358979323846;
// Below this cos(b) the first and last angle turn about the same axis and only their sum counts.
constexpr double gimbalLockCosine = 1e-12;
// A date near 2000 carries time to 2^-37 of a day, 0.63 µs: a time read from it is this close, s.
constexpr double dateResolution = 1e-6;

// ": No space left on device" for an errno value, nothing for 0.
std::string Reason(int error) { return error != 0 ? std::string(": ") + std::strerror(error) : std::string(); }

std::string Lower(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string &text) {
  size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::vector<std::string> Words(const std::string &text) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

std::string Quoted(const std::string &text) {
  if (text.size() <= quoteLength) return "\"" + text + "\"";
  return "\"" + text.substr(0, quoteLength) + "...\"";
}

struct Line {
  size_t number = 0;               // 1-based
  std::string raw;                 // without the line end
  std::string content;             // without a ';' comment and the blanks at either end
  std::vector<std::string> words;  // of `content`
};

class Parser {
public:
  Parser(const std::string &text, const std::string &sourceName) : source(sourceName) { Split(text); }

  Scenario Run() {
    Scenario scenario;
    bool seenDesc = false, seenEnvironment = false, seenFocus = false, seenShips = false;
    size_t focusLine = 0;
    while (const Line *line = NextContent()) {
      const std::string &key = line->words[0];
      if (key == "BEGIN_DESC") {
        Once(*line, seenDesc);
        scenario.description = ReadDescription(*line);
      } else if (key == "BEGIN_ENVIRONMENT") {
        Once(*line, seenEnvironment);
        ReadEnvironment(*line, scenario);
      } else if (key == "BEGIN_FOCUS") {
        Once(*line, seenFocus);
        focusLine = ReadFocus(*line, scenario);
      } else if (key == "BEGIN_MFD") {
        scenario.displays.push_back(ReadDisplay(*line, scenario.displays));
      } else if (key == "BEGIN_SHIPS") {
        Once(*line, seenShips);
        ReadShips(*line, scenario.ships);
      } else {
        Fail(line->number, "unexpected line " + Quoted(line->content));
      }
    }
    if (!scenario.focus.empty()) {
      bool found = false;
      for (const ShipState &ship : scenario.ships) found = found || Lower(ship.name) == Lower(scenario.focus);
      if (!found) Fail(focusLine, "focus ship " + Quoted(scenario.focus) + " is not among the ships");
    }
    return scenario;
  }

private:
  [[noreturn]] void Fail(size_t lineNumber, const std::string &problem) const {
    throw ScenarioError(source + ":" + std::to_string(lineNumber) + ": " + problem);
  }

  void Split(const std::string &text) {
    size_t start = 0;
    // A byte-order mark some editors put first.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) start = 3;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      Line line;
      line.number = lines.size() + 1;
      line.raw = text.substr(start, end - start);
      if (!line.raw.empty() && line.raw.back() == '\r') line.raw.pop_back();
      if (line.raw.size() > maxLineLength)
        Fail(line.number, "line longer than " + std::to_string(maxLineLength) + " characters");
      for (char c : line.raw) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
          char code[8];
          std::snprintf(code, sizeof code, "0x%02X", byte);
          Fail(line.number, std::string("not text: control byte ") + code);
        }
      }
      const size_t comment = line.raw.find(';');
      line.content = Trim(line.raw.substr(0, comment));
      line.words = Words(line.content);
      lines.push_back(std::move(line));
      start = end + 1;
    }
  }

  // The next line, or null at the end of the text.
  const Line *NextLine() { return cursor < lines.size() ? &lines[cursor++] : nullptr; }

  // The next line with content, or null at the end of the text.
  const Line *NextContent() {
    while (const Line *line = NextLine())
      if (!line->words.empty()) return line;
    return nullptr;
  }

  // The next line with content inside the block opened at `open`; `unclosed` is the problem
  // when the text ends first.
  const Line &NextInBlock(const Line &open, const std::string &unclosed) {
    const Line *line = NextContent();
    if (line == nullptr) Fail(open.number, unclosed);
    return *line;
  }

  const Line &NextInSection(const Line &open) { return NextInBlock(open, open.words[0] + " is not closed"); }

  void Once(const Line &line, bool &seen) const {
    if (seen) Fail(line.number, line.words[0] + " appears twice");
    seen = true;
    if (line.words.size() != 1) Fail(line.number, line.words[0] + " takes no value");
  }

  double Number(const Line &line, const std::string &word) const {
    const char *first = word.data();
    const char *last = word.data() + word.size();
    if (first != last && *first == '+') ++first;
    double value = 0;
    const std::from_chars_result result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range)
      Fail(line.number, line.words[0] + ": " + Quoted(word) + " is out of range");
    if (result.ec != std::errc() || result.ptr != last)
      Fail(line.number, line.words[0] + ": " + Quoted(word) + " is not a number");
    if (!std::isfinite(value)) Fail(line.number, line.words[0] + ": " + Quoted(word) + " is not a finite number");
    return value;
  }

  // The line's values as `count` numbers; `what` names them in the message ("one number").
  std::vector<double> Numbers(const Line &line, size_t count, const char *what) const {
    if (line.words.size() != count + 1) Fail(line.number, line.words[0] + " needs " + what);
    std::vector<double> values;
    for (size_t i = 1; i <= count; ++i) values.push_back(Number(line, line.words[i]));
    return values;
  }

  double Single(const Line &line) const { return Numbers(line, 1, "one number")[0]; }

  Vec3 Vector(const Line &line) const {
    const std::vector<double> v = Numbers(line, 3, "three numbers");
    return {v[0], v[1], v[2]};
  }

  // DOCK and ATTACH: position, direction, rotation.
  void Frame(const Line &line, Vec3 &pos, Vec3 &dir, Vec3 &rot) const {
    const std::vector<double> v = Numbers(line, 9, "nine numbers: position, direction, rotation");
    pos = {v[0], v[1], v[2]};
    dir = {v[3], v[4], v[5]};
    rot = {v[6], v[7], v[8]};
  }

  std::string ReadDescription(const Line &open) {
    std::string description;
    bool first = true;
    for (;;) {
      const Line *line = NextLine();
      if (line == nullptr) Fail(open.number, "BEGIN_DESC is not closed");
      // Free text, kept whole: a ';' in it is text, not a comment.
      if (line->content == "END_DESC") return description;
      if (!first) description += '\n';
      description += line->raw;
      first = false;
    }
  }

  void ReadEnvironment(const Line &open, Scenario &scenario) {
    bool seenStep = false;
    for (;;) {
      const Line &line = NextInSection(open);
      const std::string &key = line.words[0];
      if (key == "END_ENVIRONMENT") return;
      if (key == "STEP") {
        if (seenStep) Fail(line.number, "STEP appears twice");
        seenStep = true;
        scenario.step = Single(line);
        if (scenario.step <= 0) Fail(line.number, "STEP must be above 0");
      } else if (key == "GRAVITY") {
        if (scenario.gravity) Fail(line.number, "GRAVITY appears twice");
        scenario.gravity = Single(line);
        if (*scenario.gravity < 0) Fail(line.number, "GRAVITY must not be below 0");
      } else if (key == "Date") {
        if (scenario.mjd) Fail(line.number, "Date appears twice");
        if (line.words.size() != 3 || line.words[1] != "MJD") Fail(line.number, "Date needs MJD and a number");
        scenario.mjd = Number(line, line.words[2]);
        if (!std::isfinite((*scenario.mjd - epochMjd) * secondsPerDay)) Fail(line.number, "Date MJD is out of range");
      } else {
        Fail(line.number, "unknown environment item " + Quoted(key));
      }
    }
  }

  size_t ReadFocus(const Line &open, Scenario &scenario) {
    size_t focusLine = 0;
    for (;;) {
      const Line &line = NextInSection(open);
      const std::string &key = line.words[0];
      if (key == "END_FOCUS") {
        if (focusLine == 0) Fail(open.number, "BEGIN_FOCUS names no ship");
        return focusLine;
      }
      if (key != "Ship") Fail(line.number, "unknown focus item " + Quoted(key));
      if (focusLine != 0) Fail(line.number, "Ship appears twice");
      if (line.words.size() != 2) Fail(line.number, "Ship needs one name");
      scenario.focus = line.words[1];
      focusLine = line.number;
    }
  }

  DisplayBlock ReadDisplay(const Line &open, const std::vector<DisplayBlock> &before) {
    if (open.words.size() != 2) Fail(open.number, "BEGIN_MFD needs one position, e.g. Left");
    DisplayBlock block;
    block.position = open.words[1];
    for (const DisplayBlock &other : before)
      if (other.position == block.position)
        Fail(open.number, "a display block for " + block.position + " is given twice");
    bool seenType = false;
    for (;;) {
      const Line *line = NextLine();
      if (line == nullptr) Fail(open.number, "BEGIN_MFD is not closed");
      if (Trim(line->raw).empty()) continue;
      if (!line->words.empty() && line->words[0] == "END_MFD") break;
      const bool hostPart = block.lines.empty();
      if (hostPart && line->words.empty()) continue;
      if (hostPart && line->words[0] == "TYPE" && !seenType) {
        if (line->words.size() != 2) Fail(line->number, "TYPE needs one word");
        block.type = line->words[1];
        seenType = true;
      } else if (hostPart && line->words[0] == "MODE" && seenType && block.mode.empty()) {
        block.mode = Trim(line->content.substr(4));
        if (block.mode.empty()) Fail(line->number, "MODE needs a name");
      } else {
        if (!seenType) Fail(line->number, "BEGIN_MFD needs its TYPE line first");
        block.lines.push_back(line->raw);
      }
    }
    if (!seenType) Fail(open.number, "BEGIN_MFD has no TYPE line");
    return block;
  }

  void ReadShips(const Line &open, std::vector<ShipState> &ships) {
    std::unordered_map<std::string, size_t> lineOfName;  // lower-case name
    for (;;) {
      const Line &line = NextInSection(open);
      const std::string &key = line.words[0];
      if (key == "END_SHIPS") return;
      const size_t colon = key.find(':');
      if (line.words.size() != 1 || colon == std::string::npos || colon == 0 || colon + 1 == key.size() ||
          key.find(':', colon + 1) != std::string::npos)
        Fail(line.number, "expected a ship as NAME:CLASS, not " + Quoted(line.content));
      ShipState ship;
      ship.name = key.substr(0, colon);
      ship.className = key.substr(colon + 1);
      const auto taken = lineOfName.emplace(Lower(ship.name), line.number);
      if (!taken.second)
        Fail(line.number,
             "ship " + Quoted(ship.name) + " is already given at line " + std::to_string(taken.first->second));
      ReadShip(line, ship);
      ships.push_back(std::move(ship));
    }
  }

  void ReadShip(const Line &open, ShipState &ship) {
    std::unordered_set<std::string> seen;
    for (;;) {
      const Line &line = NextInBlock(open, "ship " + Quoted(ship.name) + " has no END");
      const std::string &key = line.words[0];
      if (key == "END") return;
      if (key == "END_SHIPS") Fail(open.number, "ship " + Quoted(ship.name) + " has no END");
      if (key != "DOCK" && key != "ATTACH" && !seen.insert(key).second) Fail(line.number, key + " appears twice");
      if (key == "MASS") {
        ship.mass = Single(line);
        if (ship.mass <= 0) Fail(line.number, "MASS must be above 0");
      } else if (key == "PMI") {
        ship.pmi = Vector(line);
        if (ship.pmi.x <= 0 || ship.pmi.y <= 0 || ship.pmi.z <= 0) Fail(line.number, "PMI must be above 0");
      } else if (key == "RPOS") {
        ship.rpos = Vector(line);
      } else if (key == "RVEL") {
        ship.rvel = Vector(line);
      } else if (key == "AROT") {
        ship.arot = Vector(line);
      } else if (key == "VROT") {
        ship.vrot = Vector(line);
      } else if (key == "DOCK") {
        DockingPort port;
        Frame(line, port.pos, port.dir, port.rot);
        ship.docks.push_back(port);
      } else if (key == "ATTACH") {
        AttachmentPoint point;
        Frame(line, point.pos, point.dir, point.rot);
        ship.attachments.push_back(point);
      } else {
        Fail(line.number, "unknown ship item " + Quoted(key));
      }
    }
  }

  std::string source;
  std::vector<Line> lines;
  size_t cursor = 0;
};

std::string Real(double value) { return FormatReal(value); }

std::string Triple(Vec3 v) { return Real(v.x) + " " + Real(v.y) + " " + Real(v.z); }

Vec3 Scaled(Vec3 v, double factor) { return {v.x * factor, v.y * factor, v.z * factor}; }

bool Same(Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

bool Same(const Mat3 &a, const Mat3 &b) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (a.m[i][j] != b.m[i][j]) return false;
  return true;
}

// The vessel state a ship's AROT and VROT give; loading and capturing both go through these, so
// that a capture recognises an unchanged state exactly.
Mat3 Orientation(const ShipState &ship) { return RotationFromAngles(Scaled(ship.arot, radiansPerDegree)); }
Vec3 Spin(const ShipState &ship) { return Scaled(ship.vrot, radiansPerDegree); }

}  // namespace

Scenario ParseScenario(const std::string &text, const std::string &sourceName) {
  return Parser(text, sourceName).Run();
}

Scenario LoadScenarioFile(const std::string &path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) throw ScenarioError(path + ": is a folder, not a scenario file");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ScenarioError(path + ": cannot be opened");
  std::string text;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    text.append(chunk, static_cast<size_t>(in.gcount()));
    if (text.size() > maxFileSize) throw ScenarioError(path + ": larger than 64 MiB, not a scenario file");
  }
  if (in.bad()) throw ScenarioError(path + ": cannot be read");
  return ParseScenario(text, path);
}

std::string FormatScenario(const Scenario &scenario) {
  std::string out;
  if (!scenario.description.empty()) out += "BEGIN_DESC\n" + scenario.description + "\nEND_DESC\n\n";

  out += "BEGIN_ENVIRONMENT\n";
  if (scenario.mjd) out += "  Date MJD " + Real(*scenario.mjd) + "\n";
  out += "  STEP " + Real(scenario.step) + "\n";
  if (scenario.gravity) out += "  GRAVITY " + Real(*scenario.gravity) + "\n";
  out += "END_ENVIRONMENT\n\n";

  if (!scenario.focus.empty()) out += "BEGIN_FOCUS\n  Ship " + scenario.focus + "\nEND_FOCUS\n\n";

  for (const DisplayBlock &block : scenario.displays) {
    out += "BEGIN_MFD " + block.position + "\n  TYPE " + block.type + "\n";
    if (!block.mode.empty()) out += "  MODE " + block.mode + "\n";
    for (const std::string &line : block.lines) out += line + "\n";
    out += "END_MFD\n\n";
  }

  out += "BEGIN_SHIPS\n";
  for (const ShipState &ship : scenario.ships) {
    out += ship.name + ":" + ship.className + "\n";
    out += "  MASS " + Real(ship.mass) + "\n";
    out += "  PMI " + Triple(ship.pmi) + "\n";
    out += "  RPOS " + Triple(ship.rpos) + "\n";
    out += "  RVEL " + Triple(ship.rvel) + "\n";
    out += "  AROT " + Triple(ship.arot) + "\n";
    out += "  VROT " + Triple(ship.vrot) + "\n";
    for (const DockingPort &port : ship.docks)
      out += "  DOCK " + Triple(port.pos) + "  " + Triple(port.dir) + "  " + Triple(port.rot) + "\n";
    for (const AttachmentPoint &point : ship.attachments)
      out += "  ATTACH " + Triple(point.pos) + "  " + Triple(point.dir) + "  " + Triple(point.rot) + "\n";
    out += "END\n";
  }
  out += "END_SHIPS\n";
  return out;
}

void SaveScenarioFile(const std::string &path, const Scenario &scenario, bool durable) {
  const std::string text = FormatScenario(scenario);
  // A file that would not load again is not written: the old one is worth more.
  try {
    ParseScenario(text, path);
  } catch (const ScenarioError &error) {
    throw ScenarioError(std::string("not saved, the text would not read back: ") + error.what());
  }

  const std::string temporary = path + ".saving";
  {
    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) throw ScenarioError(path + ": cannot write " + temporary + Reason(errno));
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    // The write that failed set errno: a full disk, or a file larger than the process may write.
    const int failure = errno;
    if (!out || (durable && !SyncPath(temporary))) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw ScenarioError(path + ": writing " + temporary + " failed" + Reason(out ? 0 : failure));
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw ScenarioError(path + ": cannot replace it: " + error.message());
  }
  if (durable && !SyncFolderOf(path))
    throw ScenarioError(path + ": saved, but its folder could not be synced to the disk");
}

void PopulateWorld(const Scenario &scenario, World &world) {
  if (!(scenario.step > 0) || !std::isfinite(scenario.step)) throw ScenarioError("the step must be above 0");
  std::unordered_set<std::string> names;
  for (const ShipState &ship : scenario.ships) {
    if (ship.name.empty()) throw ScenarioError("a ship has no name");
    if (!names.insert(Lower(ship.name)).second) throw ScenarioError("ship \"" + ship.name + "\" is given twice");
    if (world.FindByName(ship.name) != nullptr) throw ScenarioError("vessel \"" + ship.name + "\" already exists");
  }

  Vessel *first = nullptr;
  Vessel *focus = nullptr;
  for (const ShipState &ship : scenario.ships) {
    Vessel *vessel = world.CreateVessel(ship.name, ship.className);
    if (vessel == nullptr) throw ScenarioError("vessel \"" + ship.name + "\" cannot be created");
    vessel->dryMass = ship.mass;
    vessel->pmi = ship.pmi;
    vessel->pos = ship.rpos;
    vessel->vel = ship.rvel;
    vessel->rot = Orientation(ship);
    vessel->angVel = Spin(ship);
    vessel->docks = ship.docks;
    vessel->attachments = ship.attachments;
    if (first == nullptr) first = vessel;
    if (!scenario.focus.empty() && Lower(ship.name) == Lower(scenario.focus)) focus = vessel;
  }
  world.step = scenario.step;
  world.gravityGM = scenario.gravity;
  if (scenario.mjd) world.time = TimeFromDate(*scenario.mjd, scenario.step);
  if (focus == nullptr) focus = first;
  if (focus != nullptr) world.SetFocus(focus);
}

Scenario CaptureWorld(const World &world, const Scenario *loaded) {
  Scenario scenario;
  std::unordered_map<std::string, const ShipState *> loadedShips;
  if (loaded != nullptr) {
    scenario.description = loaded->description;
    for (const ShipState &ship : loaded->ships) loadedShips.emplace(ship.name, &ship);
  }
  scenario.step = world.step;
  scenario.gravity = world.gravityGM;
  if (world.Focus() != nullptr) scenario.focus = world.Focus()->Name();
  // A date that still gives the world's time is written back as it was read.
  if (loaded != nullptr && loaded->mjd && TimeFromDate(*loaded->mjd, world.step) == world.time)
    scenario.mjd = loaded->mjd;
  else if (world.time != 0 || (loaded != nullptr && loaded->mjd))
    scenario.mjd = DateFromTime(world.time);

  for (size_t i = 0; i < world.VesselCount(); ++i) {
    const Vessel &vessel = *world.VesselAt(i);
    ShipState ship;
    ship.name = vessel.Name();
    ship.className = vessel.ClassName();
    ship.mass = vessel.dryMass;
    ship.pmi = vessel.pmi;
    ship.rpos = vessel.pos;
    ship.rvel = vessel.vel;
    ship.docks = vessel.docks;
    ship.attachments = vessel.attachments;

    const auto found = loadedShips.find(ship.name);
    const ShipState *before = found == loadedShips.end() ? nullptr : found->second;
    // Degrees to radians and angles to a matrix do not invert exactly: numbers that still give
    // the vessel's state are written back as they were read.
    if (before != nullptr && Same(Orientation(*before), vessel.rot))
      ship.arot = before->arot;
    else
      ship.arot = Scaled(AnglesFromRotation(vessel.rot), degreesPerRadian);
    if (before != nullptr && Same(Spin(*before), vessel.angVel))
      ship.vrot = before->vrot;
    else
      ship.vrot = Scaled(vessel.angVel, degreesPerRadian);
    scenario.ships.push_back(std::move(ship));
  }
  return scenario;
}

double TimeFromDate(double mjd, double step) {
  const double time = (mjd - epochMjd) * secondsPerDay;
  const double steps = std::round(time / step);
  if (std::isfinite(steps) && std::fabs(steps * step - time) <= dateResolution) return steps * step;
  return time;
}

double DateFromTime(double time) { return epochMjd + time / secondsPerDay; }

std::vector<std::string> LinesForReader(const DisplayBlock &block) {
  std::vector<std::string> lines = block.lines;
  lines.push_back("END_MFD");
  return lines;
}

Mat3 RotationFromAngles(Vec3 angles) {
  const double ca = std::cos(angles.x), sa = std::sin(angles.x);
  const double cb = std::cos(angles.y), sb = std::sin(angles.y);
  const double cc = std::cos(angles.z), sc = std::sin(angles.z);
  Mat3 rx, ry, rz;
  rx.m[1][1] = ca;
  rx.m[1][2] = -sa;
  rx.m[2][1] = sa;
  rx.m[2][2] = ca;
  ry.m[0][0] = cb;
  ry.m[0][2] = sb;
  ry.m[2][0] = -sb;
  ry.m[2][2] = cb;
  rz.m[0][0] = cc;
  rz.m[0][1] = -sc;
  rz.m[1][0] = sc;
  rz.m[1][1] = cc;
  return rx * ry * rz;
}

Vec3 AnglesFromRotation(const Mat3 &r) {
  // R = Rx(a) Ry(b) Rz(c) has first row (cb cc, −cb sc, sb) and last column (sb, −sa cb, ca cb).
  const double cosB = std::hypot(r.m[1][2], r.m[2][2]);
  const double b = std::atan2(r.m[0][2], cosB);
  if (cosB < gimbalLockCosine) return {std::atan2(r.m[2][1], r.m[1][1]), b, 0.0};
  return {std::atan2(-r.m[1][2], r.m[2][2]), b, std::atan2(-r.m[0][1], r.m[0][0])};
}

}  // namespace sim
