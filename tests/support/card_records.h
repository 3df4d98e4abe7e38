// Time stamps and tap directions as the terminal tests write them.
#pragma once

#include <ostream>
#include <string>

#include "terminal/card_info.h"

inline constexpr int IN = 1;
inline constexpr int OUT = 0;

// A time stamp or clock reading.
inline TimeInfo stampAt(int year, int month, int day, int hour, int minute) {
  TimeInfo t;
  t.year = year;
  t.month = month;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  return t;
}

// How a failed expectation shows a TimeInfo: year/month/day hour:minute.
inline void PrintTo(const TimeInfo& t, std::ostream* out) {
  *out << t.year << '/' << t.month << '/' << t.day << ' ' << t.hour << ':' << t.minute;
}
