#include "simulate/demand_table.h"

#include <fcntl.h>

#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

#include "common/base/text.h"
#include "common/files/file_handle.h"
#include "common/files/file_replace.h"

namespace {

constexpr size_t kColumns = 14;
constexpr int kDayMinutes = 24 * 60;

constexpr std::string_view kExplanation =
    "# The demand model of a simulated day: a line per pair of home and work place.\n"
    "# home, work: bus or metro0 to metro4 (two different stations when both are metro).\n"
    "# share: the pair's riders, relative to the other pairs' shares.\n"
    "# commuters: the share of the pair's riders who leave home around out_peak (a normal\n"
    "#   spread of out_spread minutes, never before out_earliest or after out_latest) and\n"
    "#   leave work around back_peak (back_spread minutes).\n"
    "# The others leave home evenly from others_from to others_to and go back\n"
    "#   others_stay_least to others_stay_most minutes later.\n"
    "# Times of day are HH:MM, spreads and stays whole minutes (0 to 1440). Fixed in\n"
    "# simulate: ride times, waits between modes, low balances and mistyped taps.\n";

std::string clock(int minutes) {
  const std::string hour = std::to_string(minutes / 60);
  const std::string minute = std::to_string(minutes % 60);
  return (hour.size() < 2 ? "0" : "") + hour + ":" + (minute.size() < 2 ? "0" : "") + minute;
}

// The shortest text that reads back as the same number.
std::string decimal(double value) {
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc() ? std::string(text, end) : "0";
}

std::optional<int> place(std::string_view text) {
  for (int terminal = 0; terminal < kTerminalCount; ++terminal) {
    if (text == terminalName(terminal)) return terminal;
  }
  return std::nullopt;
}

std::optional<int> clockMinute(std::string_view text) {
  if (text.size() != 5 || text[2] != ':') return std::nullopt;
  const auto hour = decimalNumber<int>(text.substr(0, 2));
  const auto minute = decimalNumber<int>(text.substr(3, 2));
  if (!hour || !minute || *hour > 23 || *minute > 59) return std::nullopt;
  return *hour * 60 + *minute;
}

std::optional<double> number(std::string_view text, double most) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value) || value < 0 || value > most) return std::nullopt;
  return value;
}

// Splits at every comma: an empty column is a column.
std::vector<std::string_view> columnsOf(std::string_view line) {
  std::vector<std::string_view> columns;
  size_t at = 0;
  for (size_t comma; (comma = line.find(',', at)) != std::string_view::npos; at = comma + 1) {
    columns.push_back(line.substr(at, comma - at));
  }
  columns.push_back(line.substr(at));
  return columns;
}

// Reads one line's columns, naming the first that is wrong.
class LineReader {
 public:
  LineReader(const std::vector<std::string_view>& fields, const std::string& where)
      : fields_(fields), where_(where) {}

  const std::optional<Problem>& problem() const { return problem_; }

  int place(size_t column) {
    return take<int>(column, "bus or metro0 to metro4", ::place(fields_[column]));
  }
  double share(size_t column, double most, std::string_view wanted) {
    return take<double>(column, wanted, number(fields_[column], most));
  }
  int clock(size_t column) {
    return take<int>(column, "a time of day HH:MM, 00:00 to 23:59", clockMinute(fields_[column]));
  }
  int minutes(size_t column) {
    const auto value = decimalNumber<int>(fields_[column]);
    return take<int>(column, "whole minutes from 0 to 1440",
                     value && *value <= kDayMinutes ? value : std::nullopt);
  }
  // The column's value must not lie before `earlier`, that of column
  // `earlierColumn`.
  void notBefore(size_t column, int value, size_t earlierColumn, int earlier) {
    if (!problem_ && value < earlier) {
      fail(column, "comes before " + std::string(columnName(earlierColumn)));
    }
  }
  void fail(size_t column, const std::string& why) {
    if (!problem_) {
      problem_ = Problem(where_ + ", column " + std::string(columnName(column)) + ": " + why);
    }
  }

  static std::string_view columnName(size_t column) {
    static const std::vector<std::string_view> names = columnsOf(kDemandHeader);
    return names[column];
  }

 private:
  template <typename T>
  T take(size_t column, std::string_view wanted, std::optional<T> value) {
    if (!value) {
      fail(column,
           "takes " + std::string(wanted) + ", not \"" + std::string(fields_[column]) + "\"");
      return T{};
    }
    return *value;
  }

  const std::vector<std::string_view>& fields_;
  std::string where_;
  std::optional<Problem> problem_;
};

}  // namespace

std::string demandTableText(const DemandModel& model) {
  std::string text = std::string(kExplanation) + std::string(kDemandHeader) + "\n";
  for (const DemandPair& p : model.pairs) {
    text += terminalName(p.home) + "," + terminalName(p.work) + "," + decimal(p.share) + "," +
            decimal(p.commuters) + "," + clock(p.outPeak) + "," + std::to_string(p.outSpread) +
            "," + clock(p.outEarliest) + "," + clock(p.outLatest) + "," + clock(p.backPeak) + "," +
            std::to_string(p.backSpread) + "," + clock(p.othersFrom) + "," + clock(p.othersTo) +
            "," + std::to_string(p.othersStayLeast) + "," + std::to_string(p.othersStayMost) + "\n";
  }
  return text;
}

Result<DemandModel> readDemandTable(std::string_view text, const std::string& name) {
  DemandModel model;
  bool headerSeen = false;
  std::map<std::pair<int, int>, size_t> pairLines;
  size_t number = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t feed = std::min(text.find('\n', at), text.size());
    std::string_view line = text.substr(at, feed - at);
    at = feed + 1;
    ++number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty() || line.starts_with('#')) continue;
    const std::string where = name + " line " + std::to_string(number);
    const std::vector<std::string_view> fields = columnsOf(line);
    if (!headerSeen) {
      const std::vector<std::string_view> names = columnsOf(kDemandHeader);
      for (size_t c = 0; c < kColumns; ++c) {
        if (c >= fields.size() || fields[c] != names[c]) {
          return Problem(where + ", column " + std::to_string(c + 1) +
                         ": the header names the columns " + std::string(kDemandHeader));
        }
      }
      if (fields.size() > kColumns) {
        return Problem(where + ", column " + std::to_string(kColumns + 1) +
                       ": the header has no column after others_stay_most");
      }
      headerSeen = true;
      continue;
    }
    if (fields.size() != kColumns) {
      const size_t column = std::min(fields.size(), kColumns);
      return Problem(where + ", column " + std::to_string(column + 1) + ": a line has " +
                     std::to_string(kColumns) + " columns, this one " +
                     std::to_string(fields.size()));
    }
    LineReader read(fields, where);
    DemandPair p;
    p.home = read.place(0);
    p.work = read.place(1);
    p.share = read.share(2, HUGE_VAL, "a share of 0 or more");
    p.commuters = read.share(3, 1, "a share from 0 to 1");
    p.outPeak = read.clock(4);
    p.outSpread = read.minutes(5);
    p.outEarliest = read.clock(6);
    p.outLatest = read.clock(7);
    p.backPeak = read.clock(8);
    p.backSpread = read.minutes(9);
    p.othersFrom = read.clock(10);
    p.othersTo = read.clock(11);
    p.othersStayLeast = read.minutes(12);
    p.othersStayMost = read.minutes(13);
    read.notBefore(7, p.outLatest, 6, p.outEarliest);
    read.notBefore(11, p.othersTo, 10, p.othersFrom);
    read.notBefore(13, p.othersStayMost, 12, p.othersStayLeast);
    if (!read.problem() && p.home == p.work && p.home != kBusTerminal) {
      read.fail(1, "home and work at " + terminalName(p.home) + " is no ride");
    }
    if (!read.problem()) {
      const auto [earlier, fresh] = pairLines.emplace(std::make_pair(p.home, p.work), number);
      if (!fresh) {
        read.fail(1, terminalName(p.home) + " to " + terminalName(p.work) + " is on line " +
                         std::to_string(earlier->second) + " already");
      }
    }
    if (read.problem()) return *read.problem();
    model.pairs.push_back(p);
  }
  if (!headerSeen) return Problem(name + " holds no header line " + std::string(kDemandHeader));
  bool drawn = false;
  for (const DemandPair& p : model.pairs) drawn = drawn || p.share > 0;
  if (!drawn) {
    return Problem(name + ", column share: no line has a share above 0, so no rider has a home");
  }
  return model;
}

Result<DemandModel> loadDemandTable(const std::string& path) {
  const Result<std::string> text = readRegularFile(path);
  if (const Problem* problem = text.problem()) {
    return problem->within("the demand table " + path + " cannot be read: ");
  }
  return readDemandTable(*text, path);
}

Result<void> saveDemandTable(const std::string& path, const DemandModel& model) {
  const Result<void> written = replaceFile(path, demandTableText(model));
  if (const Problem* problem = written.problem()) {
    return problem->within("the demand table cannot be written to " + path + ": ");
  }
  return written;
}
