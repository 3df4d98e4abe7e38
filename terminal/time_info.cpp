#include "terminal/time_info.h"

#include <algorithm>
#include <cstdint>

#include "common/text.h"

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
  constexpr size_t kYearDigits = 4;
  constexpr size_t kShortestRun = 9;  // month, a three-digit day, hour, minute
  if (text.size() < kYearDigits) return std::nullopt;
  std::string_view digits = text.substr(kYearDigits);
  digits = digits.substr(0, std::min(digits.size(), digits.find_first_not_of("0123456789")));
  if (digits.size() < kShortestRun) return std::nullopt;
  if (digits.find_first_not_of('0') == std::string_view::npos) return TimeInfo{};
  const size_t end = digits.size();
  TimeInfo t;
  t.month = readInt(digits.substr(0, 2));
  t.day = readInt(digits.substr(2, end - 6));
  t.hour = readInt(digits.substr(end - 4, 2));
  t.minute = readInt(digits.substr(end - 2));
  t.year = kTerminalYear;
  return t;
}

int timeChange(TimeInfo t) {
  return t.hour * 60 + t.minute;
}

int lagMinutes(TimeInfo clock, TimeInfo stamp) {
  if (stamp == TimeInfo{} || stamp.year != clock.year || stamp.month != clock.month) {
    return kLongAgoMinutes;
  }
  // In 64 bits: days read from a card file may be anything up to INT_MAX.
  const int64_t days = int64_t{clock.day} - stamp.day;
  const int64_t minutes =
      int64_t{clock.hour} * 60 + clock.minute - (int64_t{stamp.hour} * 60 + stamp.minute);
  const int64_t lag = days * kMinutesPerDay + minutes;
  if (lag < 0 && lag >= -kClockSkewMinutes) return 0;
  if (lag < 0 || lag > kLongAgoMinutes) return kLongAgoMinutes;
  return static_cast<int>(lag);
}

bool clockWasRead(TimeInfo clock) {
  return clock != TimeInfo{};
}

std::string timeText(TimeInfo t) {
  return timeText(t.year, t.month, t.day, t.hour, t.minute);
}

TimeInfo TerminalClock::get() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return time_;
}

void TerminalClock::set(TimeInfo t) {
  std::lock_guard<std::mutex> lock(mutex_);
  time_ = t;
}
