#include "settlement/exact_display/clock_tick.h"

#include <algorithm>

#include "common/text.h"
#include "settlement/settlement_constants.h"

namespace {

constexpr size_t kDayDigitsMax = 8;

// The value of `digits` when every character is a decimal digit.
std::optional<int> digitsValue(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  int value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

SimulatedTime clockStart(const std::tm& local, std::optional<SimulatedTime> inFile) {
  const SimulatedTime midnight{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0, 0};
  return inFile ? std::max(midnight, *inFile) : midnight;
}

SimulatedTime nextTick(SimulatedTime t) {
  t.minute += kMinutesPerTick;
  if (t.minute > 59) {
    t.minute %= 60;
    t.hour += 1;
  } else if (t.hour > 23) {
    t.hour %= 24;
    t.day += 1;
  }
  return t;
}

std::string clockText(const SimulatedTime& t) {
  return timeText(t.year, t.month, t.day, t.hour, t.minute);
}

std::string clockLine(const SimulatedTime& t) {
  return clockText(t) + "\n";
}

std::optional<SimulatedTime> parseClockLine(std::string_view line) {
  if (line.ends_with('\n')) line.remove_suffix(1);
  // Year 4, month 2, day 2 to 8, hour 2, minute 2.
  if (line.size() < 12 || line.size() > 10 + kDayDigitsMax) return std::nullopt;
  const size_t dayDigits = line.size() - 10;
  // Past two digits the day is written without a leading zero.
  if (dayDigits > 2 && line[6] == '0') return std::nullopt;
  const auto year = digitsValue(line.substr(0, 4));
  const auto month = digitsValue(line.substr(4, 2));
  const auto day = digitsValue(line.substr(6, dayDigits));
  const auto hour = digitsValue(line.substr(6 + dayDigits, 2));
  const auto minute = digitsValue(line.substr(8 + dayDigits, 2));
  if (!year || !month || !day || !hour || !minute) return std::nullopt;
  if (*month < 1 || *month > 12 || *day < 1 || *hour > 24 || *minute > 59 ||
      (*hour == 24 && *minute != 0)) {
    return std::nullopt;
  }
  return SimulatedTime{*year, *month, *day, *hour, *minute};
}
