// The terminal's view of simulated time: the TimeInfo value, the clock value
// MMDDhhmm that the clock file and the card records carry, and the minute
// arithmetic the fare rules measure transfers with. Plain values only.
#pragma once

#include <climits>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

struct TimeInfo {
  int minute = 0;
  int hour = 0;
  int day = 0;
  int month = 0;
  int year = 0;
  bool operator==(const TimeInfo&) const = default;
};

inline constexpr int kTerminalYear = 2014;
inline constexpr int kMinutesPerDay = 1440;

// A non-zero clock value V = MMDDhhmm as a TimeInfo. Division and remainder
// truncate toward zero; a three-digit day shifts the fields rather than being
// detected. The year is always kTerminalYear.
TimeInfo clockValueToTime(int value);

// A clock line or time column whose digits from the fifth character on (after
// the four of the year) run to nine or more, read by its layout: two digits
// of month, then the day, then two digits of hour and two of minute. So day
// 100 and later keep hour and minute where they belong. The day saturates at
// INT_MAX, the year is kTerminalYear, and digits that are all zero give an
// all-zero time. nullopt for a shorter run: such text is read by its clock
// value, as the usual twelve characters are.
std::optional<TimeInfo> timeByLayout(std::string_view text);

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

// The time text of a TimeInfo: "201412050907" for 2014-12-05 09:07.
std::string timeText(TimeInfo t);

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
