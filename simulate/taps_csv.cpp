#include "simulate/taps_csv.h"

#include "driving/clock_follower.h"

namespace {

std::string field(std::string_view text) {
  if (text.find_first_of(",\"\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string tapsCsvLine(const TapRow& row) {
  std::string line = clockText(row.planned) + ",";
  if (row.stamp) line += clockText(*row.stamp);
  line += "," + field(row.terminal) + "," + field(row.card) + "," + field(row.command) + "," +
          field(row.printed) + ",";
  if (row.fee) line += std::to_string(*row.fee);
  return line + "\n";
}

TapsCsv::TapsCsv(const std::string& path) : out_(path, std::ios::binary | std::ios::trunc) {
  out_ << kTapsCsvHeader;
}

bool TapsCsv::close() {
  out_.flush();
  const bool written = out_.good();
  out_.close();
  return written;
}
