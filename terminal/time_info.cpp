#include "terminal/time_info.h"

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

int timeChange(TimeInfo t) {
  return t.hour * 60 + t.minute;
}

int lagMinutes(TimeInfo clock, TimeInfo stamp) {
  return timeChange(clock) - timeChange(stamp);
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
