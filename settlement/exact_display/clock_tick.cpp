#include "settlement/exact_display/clock_tick.h"

#include "common/text.h"
#include "settlement/settlement_constants.h"

SimulatedTime clockStart(const std::tm& local) {
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0, 0};
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

std::string clockLine(const SimulatedTime& t) {
  return timeText(t.year, t.month, t.day, t.hour, t.minute) + "\n";
}
