// Damaged scenario files: the example scenarios and the host tree's own, with bytes changed, lines
// cut or repeated, files cut short and numbers replaced by odd ones. Each run either succeeds or
// refuses its input in one line; no output holds a number that is not finite, and a file a run
// saved loads again.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "Support.h"

namespace {

using namespace e2e;

// Enough to meet every kind of damage many times over, few enough for a ctest of seconds; under
// Wine, where a process costs a good fraction of a second, fewer.
#ifdef _WIN32
constexpr int mutantCount = 40;
#else
constexpr int mutantCount = 150;
#endif
constexpr unsigned seed = 21;

const char *const oddNumbers[] = {"0",    "-0",    "1e308", "-1e308", "1e-308", "1e39", "-1e39",       "nan", "inf",
                                  "-inf", "1e400", "-1",    "1e-45",  "3.5e38", "1e15", "99999999999", "+5",  ".5e"};

struct Source {
  std::string name, text;
  bool hostTree;  // run with the host tree's classes
};

std::vector<Source> Sources() {
  std::vector<Source> sources;
  for (const char *name : {"tug.scn", "tow.scn", "orbit.scn", "iss.scn", "eight.scn"})
    sources.push_back({name, FileText(std::string(KESTRANE_SCENARIOS) + "/" + name), false});
  const std::filesystem::path tree = std::filesystem::path(KESTRANE_HOST_SAMPLE) / "Scenarios";
  if (std::filesystem::is_directory(tree))
    for (const auto &entry : std::filesystem::directory_iterator(tree))
      sources.push_back({entry.path().filename().string(), FileText(entry.path().string()), true});
  return sources;
}

bool Digit(char c) { return c >= '0' && c <= '9'; }

// Where the numbers of a text stand: digits with their sign, point and exponent.
std::vector<std::pair<size_t, size_t>> Numbers(const std::string &text) {
  std::vector<std::pair<size_t, size_t>> numbers;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool marked =
        (text[i] == '-' || text[i] == '+' || text[i] == '.') && i + 1 < text.size() && Digit(text[i + 1]);
    if (!Digit(text[i]) && !marked) continue;
    size_t end = i + 1;
    while (end < text.size() &&
           (Digit(text[end]) || text[end] == '.' || text[end] == 'e' || text[end] == 'E' ||
            ((text[end] == '-' || text[end] == '+') && (text[end - 1] == 'e' || text[end - 1] == 'E'))))
      ++end;
    numbers.emplace_back(i, end - i);
    i = end;
  }
  return numbers;
}

// One piece of damage, at a place and of a kind the generator picks.
std::string Damaged(std::string text, std::mt19937 &random) {
  if (text.empty()) return text;
  auto pick = [&](size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random); };
  auto lineStart = [&](size_t at) { return text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1; };
  switch (pick(6)) {
    case 0: {  // a byte changed to another printable one
      const size_t at = pick(text.size());
      text[at] = static_cast<char>(' ' + pick(95));
      break;
    }
    case 1: {  // a bit flipped
      const size_t at = pick(text.size());
      text[at] = static_cast<char>(text[at] ^ (1 << pick(7)));
      break;
    }
    case 2: {  // a line cut out
      const size_t start = lineStart(pick(text.size()));
      const size_t end = text.find('\n', start);
      text.erase(start, end == std::string::npos ? std::string::npos : end - start + 1);
      break;
    }
    case 3: {  // a line repeated
      const size_t start = lineStart(pick(text.size()));
      const size_t end = text.find('\n', start);
      if (end != std::string::npos) text.insert(start, text.substr(start, end - start + 1));
      break;
    }
    case 4:  // the file cut short
      text.resize(pick(text.size()));
      break;
    default: {  // a number replaced by an odd one; the step is left alone, which only sets how long
                // a run takes
      std::vector<std::pair<size_t, size_t>> found;
      for (const auto &[at, length] : Numbers(text))
        if (text.compare(lineStart(at), 7, "  STEP ") != 0) found.emplace_back(at, length);
      if (found.empty()) break;
      const auto [at, length] = found[pick(found.size())];
      text.replace(at, length, oddNumbers[pick(sizeof oddNumbers / sizeof oddNumbers[0])]);
      break;
    }
  }
  return text;
}

// The first numeric field of a CSV file that is not finite, or empty.
std::string NotFinite(const std::string &path, const std::vector<const char *> &fields) {
  for (const auto &row : ReadCsv(path))
    for (const char *field : fields) {
      auto value = row.find(field);
      if (value != row.end() && !std::isfinite(std::strtod(value->second.c_str(), nullptr)))
        return row.at("time") + " " + field + " " + value->second;
    }
  return "";
}

}  // namespace

TEST(MutatedScenariosTest, EveryDamagedFileRunsOrIsRefusedInOneLineAndNoOutputHoldsANumberThatIsNotFinite) {
  const std::vector<Source> sources = Sources();
  const std::string hostDir = " --host-dir \"" + std::string(KESTRANE_HOST_SAMPLE) + "\"";
  std::mt19937 random(seed);
  int ran = 0, refused = 0;
  for (int i = 0; i < mutantCount; ++i) {
    const Source &source = sources[static_cast<size_t>(i) % sources.size()];
    std::string text = Damaged(source.text, random);
    if (random() % 3 == 0) text = Damaged(text, random);
    const std::string name = "mutant" + std::to_string(i);
    std::ofstream(name + ".scn", std::ios::binary) << text;
    std::filesystem::remove(name + ".saved");
    std::filesystem::remove(name + "-t.csv");
    std::filesystem::remove(name + "-v.csv");
    // Tie the focus vessel to the next one and reel in, as a user would.
    const Result r = Sim("run " + name + ".scn" + (source.hostTree ? hostDir : "") +
                             " --duration 10 --keys 0:MINUS,0.02:A,0.04:J,2:I --tethers " + name + "-t.csv --vessels " +
                             name + "-v.csv --save " + name + ".saved --quiet",
                         name);
    const std::string what = name + " (from " + source.name + ")";
    ASSERT_TRUE(r.status == 0 || r.status == 2) << what << ": exit " << r.status << ": " << r.err;
    if (r.status == 2) {
      ++refused;
      EXPECT_EQ(r.err.rfind("kestrane-sim: ", 0), 0u) << what << ": " << r.err;
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << what << ": " << r.err;
    } else {
      ++ran;
      EXPECT_EQ(r.err, "") << what;
    }
    EXPECT_EQ(NotFinite(name + "-t.csv", {"time", "length", "distance", "stretch", "pull", "force", "reel_speed"}), "")
        << what;
    EXPECT_EQ(NotFinite(name + "-v.csv", {"time", "x", "y", "z", "vx", "vy", "vz"}), "") << what;
    if (r.status == 0) {
      const Result again =
          Sim("run " + name + ".saved" + (source.hostTree ? hostDir : "") + " --duration 0 --quiet", name + "-again");
      EXPECT_EQ(again.status, 0) << what << ": its save does not load again: " << again.err;
    }
  }
  // The damage is neither all harmless nor all fatal.
  EXPECT_GT(ran, mutantCount / 5);
  EXPECT_GT(refused, mutantCount / 5);
}
