#include "terminal/time_info.h"

#include <cstdint>

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

TimeInfo TerminalClock::get() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return time_;
}

void TerminalClock::set(TimeInfo t) {
  std::lock_guard<std::mutex> lock(mutex_);
  time_ = t;
}
