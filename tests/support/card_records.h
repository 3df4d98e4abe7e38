// Building the CardInfo values the fare decisions and continuation tests
// take, in the words of a card file: the last record with this tap's
// direction, and the record before it.
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

// The card's last record (transport, direction, balance) with the tap's
// direction in tap_inout.
inline CardInfo lastRecord(const std::string& transport, int inout, int balance, int tap,
                           const std::string& journeyId = "61\n") {
  CardInfo card;
  card.transport = transport;
  card.inout = inout;
  card.balance = balance;
  card.tap_inout = tap;
  card.journey_id = journeyId;
  return card;
}

// The record before the last one; only its transport and balance count.
inline CardInfo recordBefore(const std::string& transport, int balance) {
  CardInfo card;
  card.transport = transport;
  card.balance = balance;
  return card;
}
