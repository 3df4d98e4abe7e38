// taps.csv: a header line, then one line per command a terminal answered:
// planned time, stamp (the time of the record the tap left on its card;
// empty for a tap that left none), terminal, card, command, what the
// terminal printed with its lines joined by " | ", and the fee (empty when
// nothing was charged). Times are the simulated clock's "HH:MM", the hours
// counting on past midnight ("24:08"). Written as the answers come.
#pragma once

#include <fstream>
#include <optional>
#include <string>
#include <string_view>

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
// quote or a line feed is quoted.
std::string tapsCsvLine(const TapRow& row);

class TapsCsv {
 public:
  // Opens (and empties) `path`; check `good()`.
  explicit TapsCsv(const std::string& path);
  bool good() const { return out_.good(); }
  void add(const TapRow& row) { out_ << tapsCsvLine(row); }
  // Flushes what is buffered; false when the file could not be written.
  bool close();

 private:
  std::ofstream out_;
};
