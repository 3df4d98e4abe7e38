// The terminal's view of simulated time (TimeInfo and its time text:
// common/formats/time_info.h): the minute arithmetic the fare rules measure
// transfers with, and the terminal clock. Plain values only, but for the
// clock.
#pragma once

#include <climits>
#include <mutex>

#include "common/formats/time_info.h"

inline constexpr int kMinutesPerDay = 1440;

// Minutes since midnight: hour * 60 + minute. The date plays no part.
int timeChange(TimeInfo t);

// The lag of a stamp that no window reaches: beyond every transfer window
// and continuation test, and at the cap of every fee that grows with time.
inline constexpr int kLongAgoMinutes = INT_MAX;

// Terminals follow the settlement's clock each on its own pace, so a card's
// last record may carry a stamp one tick (8 minutes) ahead of the clock a
// terminal has read.
inline constexpr int kClockSkewMinutes = 8;

// Minutes from `stamp` to `clock`. Within one year and month that is
// (clock day - stamp day) * 1440 plus the difference of the minutes of the
// day, so 23:50 seen at 00:10 of the next day is 20 and the 24:00 tick of a
// day counts as 1440. A stamp ahead of the clock by at most
// kClockSkewMinutes counts as 0. A stamp of another year or month, an
// all-zero stamp and a stamp further ahead are kLongAgoMinutes, as is any
// lag beyond it: the result is never negative.
int lagMinutes(TimeInfo clock, TimeInfo stamp);

// Whether a terminal clock has been set from a clock value other than 0
// (every such value gives the year kTerminalYear, so it is never all zero).
bool clockWasRead(TimeInfo clock);

// The terminal clock (mtime / btime): written whole by the clock reader and
// copied whole by everyone else, so no reader ever sees half a reading.
class TerminalClock {
 public:
  TimeInfo get() const;
  void set(TimeInfo t);

 private:
  mutable std::mutex mutex_;
  TimeInfo time_;
};
