#include "common/formats/time_info.h"

#include <algorithm>

#include "common/base/text.h"
#include "common/formats/record_format.h"

std::string timeText(TimeInfo t) {
  return timeText(t.year, t.month, t.day, t.hour, t.minute);
}

std::optional<TimeTextFields> splitTimeText(std::string_view text) {
  if (text.size() < kTimeTextLength) return std::nullopt;
  // Month, hour and minute take two characters each; the day the rest.
  const size_t dayWidth = text.size() - kYearWidth - 6;
  const size_t hourAt = kYearWidth + 2 + dayWidth;
  return TimeTextFields{text.substr(0, kYearWidth), text.substr(kYearWidth, 2),
                        text.substr(kYearWidth + 2, dayWidth), text.substr(hourAt, 2),
                        text.substr(hourAt + 2, 2)};
}

std::string readableTime(std::string_view text) {
  if (text.find_first_not_of('0') == std::string_view::npos) return "-";
  const bool digits =
      !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
  const std::optional<TimeTextFields> fields = digits ? splitTimeText(text) : std::nullopt;
  if (!fields) return std::string(text);
  return std::string(fields->year) + "-" + std::string(fields->month) + "-" +
         std::string(fields->day) + " " + std::string(fields->hour) + ":" +
         std::string(fields->minute);
}

TimeInfo clockValueToTime(int value) {
  TimeInfo t;
  t.minute = value % 100;
  t.hour = (value % 10000) / 100;
  t.day = (value % 1000000) / 10000;
  t.month = (value % 100000000) / 1000000;
  t.year = kTerminalYear;
  return t;
}

std::optional<TimeInfo> timeByLayout(std::string_view text) {
  constexpr size_t kShortestRun = 9;  // month, a three-digit day, hour, minute
  if (text.size() < kYearWidth) return std::nullopt;
  std::string_view digits = afterYear(text);
  digits = digits.substr(0, std::min(digits.size(), digits.find_first_not_of("0123456789")));
  if (digits.size() < kShortestRun) return std::nullopt;
  if (digits.find_first_not_of('0') == std::string_view::npos) return TimeInfo{};
  const std::optional<TimeTextFields> fields =
      splitTimeText(text.substr(0, kYearWidth + digits.size()));
  TimeInfo t;
  t.month = readInt(fields->month);
  t.day = readInt(fields->day);
  t.hour = readInt(fields->hour);
  t.minute = readInt(fields->minute);
  t.year = kTerminalYear;
  return t;
}
