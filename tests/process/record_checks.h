// Checking what the terminals left in their files: whole records only, and
// the amounts they carry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The comma-separated columns of a line (without its line feed).
inline std::vector<std::string_view> columnsOf(std::string_view line) {
  std::vector<std::string_view> columns;
  for (size_t start = 0;;) {
    const size_t comma = line.find(',', start);
    columns.push_back(line.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return columns;
}

inline bool allDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A record as a terminal writes it (line feed taken off): time (12 digits),
// METRO or BUS, IN or OUT, a signed amount, a journey id.
inline bool isWholeRecord(std::string_view line) {
  const auto columns = columnsOf(line);
  if (columns.size() != 5) return false;
  const std::string_view amount = columns[3].starts_with('-') ? columns[3].substr(1) : columns[3];
  return columns[0].size() == 12 && allDigits(columns[0]) &&
         (columns[1] == "METRO" || columns[1] == "BUS") &&
         (columns[2] == "IN" || columns[2] == "OUT") && allDigits(amount) && allDigits(columns[4]);
}

// The lines of a file, each without its line feed; a last line without one
// comes out too (and is never a whole record's place).
inline std::vector<std::string> linesOf(std::string_view content) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end = content.find('\n'); end != std::string_view::npos;
       end = content.find('\n', start)) {
    lines.emplace_back(content.substr(start, end - start));
    start = end + 1;
  }
  if (start < content.size()) lines.emplace_back(content.substr(start));
  return lines;
}

// The amount column (balance or fee) of a whole record.
inline long long amountOf(std::string_view line) {
  return std::stoll(std::string(columnsOf(line)[3]));
}
