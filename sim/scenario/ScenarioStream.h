// What stands behind a FILEHANDLE in the scenario calls: the lines a display writes into its
// block, or the lines of a block that a display reads.
#pragma once

#include <string>
#include <vector>

#include "host/OrbiterAPI.h"

namespace sim {

class ScenarioStream {
public:
  // One item as a display wrote it, before it became text: the value as it was passed.
  struct Entry {
    enum class Kind { Text, Integer, Real, Vector };
    Kind kind = Kind::Text;
    std::string item;
    std::string text;     // Kind::Text
    int integer = 0;      // Kind::Integer
    double real[3] = {};  // Kind::Real: the first; Kind::Vector: all three
  };

  ScenarioStream() = default;
  // A stream to read these lines from, in order.
  explicit ScenarioStream(std::vector<std::string> linesToRead);

  FILEHANDLE Handle() { return this; }
  static ScenarioStream *FromHandle(FILEHANDLE handle) { return static_cast<ScenarioStream *>(handle); }

  // Writing: "  ITEM VALUE", the value in the host's notation (integers in decimal, reals as
  // FormatReal writes them, a vector's three reals apart by one blank).
  void Write(const std::string &item, const std::string &value);
  void WriteText(const char *item, const char *value);
  void WriteInteger(const char *item, int value);
  void WriteReal(const char *item, double value);
  void WriteVector(const char *item, const double value[3]);
  const std::vector<std::string> &Written() const { return written; }

  // A stream that keeps what the writers above are given as entries instead of lines, for a
  // reader of the values who need not format them only to parse them again. The entries' storage
  // serves again after ClearEntries, so that writing a block allocates nothing once warm.
  void KeepEntries() { keepEntries = true; }
  void ClearEntries() { entryCount = 0; }
  const Entry *Entries() const { return entries.data(); }
  size_t EntryCount() const { return entryCount; }
  // The line an entry becomes in a stream that writes lines.
  static std::string LineOf(const Entry &entry);

  // Reading: the next line with blanks trimmed and a ';' comment dropped; false at the end or at a
  // line that is "END" without regard to case. Lines left empty are passed over. The pointer stays valid until
  // the next call.
  bool NextLine(char *&line);
  // How many lines NextLine has handed out (or consumed at the end marker).
  size_t LinesRead() const { return cursor; }

private:
  // The next entry to fill, of this kind and item.
  Entry &NextEntry(Entry::Kind kind, const char *item);

  std::vector<std::string> written;
  bool keepEntries = false;
  std::vector<Entry> entries;
  size_t entryCount = 0;
  std::vector<std::string> toRead;
  size_t cursor = 0;
  std::string current;
};

}  // namespace sim
