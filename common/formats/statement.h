// The settlement's statement ("statement.csv" at the world's root): what
// each settlement cycle settled, one line per cycle, appended and never
// rewritten. After its header
//
//   cycle,clock,records,bus_fees,metro_fees,bus_share,metro_share
//   12,202612070136,3,1050,1250,1050,1250
//
// a line holds the cycle's number (1, 2, ... across restarts), the clock
// when it settled, how many records it settled for the first time, the sum
// of their fees by the operator each record names, and how those fees are
// shared between the operators once the journeys among them are
// apportioned. So bus_share + metro_share = bus_fees + metro_fees on every
// line, and bus_fees + metro_fees over all lines is every fee ever settled.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "common/formats/trip_log_reading.h"

inline constexpr std::string_view kStatementHeader =
    "cycle,clock,records,bus_fees,metro_fees,bus_share,metro_share\n";

struct StatementLine {
  long long cycle = 0;
  std::string clock;  // the clock file's text: "202612070136"
  long long records = 0;
  OperatorAmounts fees = {0, 0};
  OperatorAmounts shares = {0, 0};
  bool operator==(const StatementLine&) const = default;
};

// The line's text, ended by a line feed.
std::string formatStatementLine(const StatementLine& line);

// The line of `text` (without its line feed) when it is one: seven columns,
// a cycle from 1, a clock of digits, a count of records, four amounts, all
// plain decimal, and shares that add up to the fees (modulo 2^64, as the
// settlement adds).
std::optional<StatementLine> parseStatementLine(std::string_view text);

// Statement lines are short; a longer one is no statement line.
inline constexpr size_t kStatementLineMax = 4096;

// A line of a statement as read: its number in the file (1 for the
// header), its text without the line feed (of a line longer than any
// statement line, its first kStatementLineMax + 1 bytes), and what it holds.
struct StatementRow {
  long long number = 0;
  std::string_view text;
  // False for a last line without its line feed: one a kill cut short, or
  // one being appended.
  bool ended = true;
  // Line 1: whether it is the statement's header.
  bool header = false;
  // The lines after the first: the cycle it holds, when it is a statement
  // line (parseStatementLine).
  std::optional<StatementLine> line;
};

// The statement read as its bytes come, held whole or a block at a time
// from its file: each line is cut at its line feed, numbered and parsed
// here, and each reader of the statement judges the rows as it must.
class StatementReader {
 public:
  // Calls `visit(const StatementRow&)` for each line that `bytes` ends.
  template <typename Visit>
  void read(std::string_view bytes, Visit&& visit) {
    for (size_t feed = bytes.find('\n'); feed != std::string_view::npos; feed = bytes.find('\n')) {
      const std::string_view text = bytes.substr(0, feed);
      bytes.remove_prefix(feed + 1);
      if (pending_.empty()) {
        visit(row(text, true));
      } else {
        keep(text);
        visit(row(pending_, true));
        pending_.clear();
      }
    }
    keep(bytes);
  }

  // After the last bytes: `visit` for a last line without its line feed,
  // when there is one.
  template <typename Visit>
  void end(Visit&& visit) {
    if (pending_.empty()) return;
    visit(row(pending_, false));
    pending_.clear();
  }

  // The lines read so far, the header included: those ended, and after
  // end() a last one without its line feed.
  long long lines() const { return number_; }

 private:
  void keep(std::string_view text) {
    pending_.append(text.substr(0, std::min(text.size(), kStatementLineMax + 1 - pending_.size())));
  }
  StatementRow row(std::string_view text, bool ended);

  std::string pending_;  // the line begun, up to kStatementLineMax + 1 bytes
  long long number_ = 0;
};

// Reads a statement held whole: `visit` for each of its lines, its last
// one too when it has no line feed.
template <typename Visit>
void readStatementText(std::string_view text, Visit&& visit) {
  StatementReader reader;
  reader.read(text, visit);
  reader.end(visit);
}
