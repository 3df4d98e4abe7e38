// Simulated time as every program holds it and writes it: the TimeInfo
// value (the settlement's clock ptime, the terminals' clocks mtime and
// btime, the time of a card's record), its time text, and how the
// terminals read a time text back. Plain values only.
//
// A time text is the year in decimal, then month, day, hour and minute,
// each with one "0" in front of a value from -9 to 9 (so 201412050907 for
// 5 December 2014, 09:07). It is the clock file's line, the time column of
// the card files and the trip logs, and it is 12 characters long until the
// day, which never wraps into the month, reaches 100.
#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

struct TimeInfo {
  int minute = 0;
  int hour = 0;
  int day = 0;
  int month = 0;
  int year = 0;

  constexpr TimeInfo() = default;
  // In calendar order, as a time text reads: TimeInfo(2014, 12, 5, 0, 8)
  // is 00:08 on 5 December 2014.
  constexpr TimeInfo(int year, int month, int day, int hour, int minute)
      : minute(minute), hour(hour), day(day), month(month), year(year) {}

  bool operator==(const TimeInfo&) const = default;
  // Earlier or later: by year, then month, day, hour and minute.
  std::strong_ordering operator<=>(const TimeInfo& other) const {
    return std::tie(year, month, day, hour, minute) <=>
           std::tie(other.year, other.month, other.day, other.hour, other.minute);
  }
};

// The time text of `t`: "201412050907" for 2014-12-05 09:07.
std::string timeText(TimeInfo t);

// The five fields of a time text by its layout: the year's kYearWidth
// characters (common/formats/record_format.h), two of month, the day (two, or more
// from day 100 on), two of hour and two of minute. Views into the text;
// what they hold is not checked.
struct TimeTextFields {
  std::string_view year;
  std::string_view month;
  std::string_view day;
  std::string_view hour;
  std::string_view minute;
};

// `text` split by the layout above; nullopt when it is shorter than
// kTimeTextLength.
std::optional<TimeTextFields> splitTimeText(std::string_view text);

// A time text for people: "2014-12-07 01:36" (the day as wide as it is),
// "-" for all zeros, the text itself when it is no time text of digits.
std::string readableTime(std::string_view text);

// The terminals give every time they read this year, whatever the text.
inline constexpr int kTerminalYear = 2014;

// A non-zero clock value V = MMDDhhmm (the time key of a time text,
// common/formats/record_format.h) as a TimeInfo. Division and remainder truncate
// toward zero; a three-digit day shifts the fields rather than being
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
