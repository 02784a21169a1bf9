// Running the built kestrane-sim with the built module, and reading what it writes.
#pragma once

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "support/Files.h"

namespace e2e {

struct Result {
  int status;
  std::string err;
};

// A scenario of the end-to-end tests' own (tests/e2e/scenarios).
inline std::string TestScenario(const char *name) { return std::string(KESTRANE_TEST_SCENARIOS) + "/" + name; }

using support::FileText;
using support::WriteFile;

// Runs kestrane-sim with the built module; `args` follow the command. Standard output and error go
// to `name`.out and `name`.err in the working directory.
inline Result Sim(const std::string &args, const std::string &name) {
  const std::string errPath = name + ".err";
#ifdef _WIN32
  // cmd.exe takes the program's path only with backslashes, and strips the outermost pair of
  // quotes of a command line that starts with one.
  auto native = [](std::string path) {
    for (char &c : path) c = c == '/' ? '\\' : c;
    return path;
  };
  const std::string command = "\"\"" + native(KESTRANE_SIM) + "\" " + args + " --plugin \"" + native(KESTRANE_MODULE) +
                              "\" > " + name + ".out 2> " + errPath + "\"";
#else
  const std::string command = std::string("\"") + KESTRANE_SIM + "\" " + args + " --plugin \"" + KESTRANE_MODULE +
                              "\" > " + name + ".out 2> " + errPath;
#endif
  int raw = std::system(command.c_str());
  int status = raw;
#ifndef _WIN32
  if (WIFEXITED(raw)) status = WEXITSTATUS(raw);
#endif
  return {status, FileText(errPath)};
}

// What a program printed, with its line ends as "\n" on every platform.
inline std::string Plain(const std::string &text) {
  std::string plain;
  for (char c : text)
    if (c != '\r') plain += c;
  return plain;
}

// The last line a program printed, with its line end as "\n" on every platform.
inline std::string LastLine(std::string text) {
  const std::string plain = Plain(text);
  const size_t end = plain.find_last_not_of('\n');
  if (end == std::string::npos) return "";
  const size_t start = plain.rfind('\n', end);
  return plain.substr(start == std::string::npos ? 0 : start + 1,
                      end + 1 - (start == std::string::npos ? 0 : start + 1)) +
         "\n";
}

using CsvRow = std::map<std::string, std::string>;

// A CSV file as rows of named fields.
inline std::vector<CsvRow> ReadCsv(const std::string &path) {
  std::ifstream in(path);
  std::string line;
  std::vector<std::string> header;
  std::vector<CsvRow> rows;
  auto split = [](const std::string &text) {
    std::vector<std::string> fields;
    std::stringstream s(text);
    std::string field;
    while (std::getline(s, field, ',')) fields.push_back(field);
    return fields;
  };
  if (std::getline(in, line)) header = split(line);
  while (std::getline(in, line)) {
    std::vector<std::string> fields = split(line);
    CsvRow row;
    for (size_t i = 0; i < header.size() && i < fields.size(); ++i) row[header[i]] = fields[i];
    rows.push_back(row);
  }
  return rows;
}

inline double Num(const CsvRow &row, const char *field) { return std::strtod(row.at(field).c_str(), nullptr); }

}  // namespace e2e
