#include "settlement/exact_display/clock_tick.h"

#include <algorithm>

#include "settlement/settlement_constants.h"

TimeInfo clockStart(const std::tm& local, std::optional<TimeInfo> inFile) {
  const TimeInfo midnight(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0, 0);
  return inFile ? std::max(midnight, *inFile) : midnight;
}

TimeInfo nextTick(TimeInfo t) {
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
