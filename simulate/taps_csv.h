// taps.csv: a header line, then one line per command a terminal answered:
// planned time, stamp (the time of the record the tap left on its card;
// empty for a tap that left none), terminal, card, command, what the
// terminal printed with its lines joined by " | ", and the fee (empty when
// nothing was charged). Times are the simulated clock's "HH:MM", the hours
// counting on past midnight ("24:08"). Written as the answers come, into a
// temporary file beside it (created fresh, never through a link) that is
// renamed over taps.csv when the day is done.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/files/file_replace.h"

struct TapRow {
  int planned = 0;
  std::optional<int> stamp;
  std::string_view terminal;
  std::string_view card;
  std::string_view command;
  std::string_view printed;
  std::optional<long long> fee;
};

inline constexpr std::string_view kTapsCsvHeader =
    "planned,stamp,terminal,card,command,printed,fee\n";

// One line of taps.csv, with its line feed; a field holding a comma, a
// quote or a line feed is quoted. appendTapsCsvLine appends it to `out`.
std::string tapsCsvLine(const TapRow& row);
void appendTapsCsvLine(std::string& out, const TapRow& row);

class TapsCsv {
 public:
  // Creates the temporary file for `path`; check `good()`.
  explicit TapsCsv(const std::string& path);
  TapsCsv(const TapsCsv&) = delete;
  TapsCsv& operator=(const TapsCsv&) = delete;

  bool good() const { return good_; }
  void add(const TapRow& row);
  // Writes what is buffered and renames the file over `path`; false when
  // the file could not be written whole (it is then removed).
  bool close();

 private:
  void write();

  std::optional<FileReplacement> file_;
  std::string buffer_;
  bool good_ = false;
};
