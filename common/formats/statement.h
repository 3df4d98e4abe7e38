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
