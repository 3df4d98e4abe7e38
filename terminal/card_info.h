// CardInfo: one card's state while a terminal handles a tap. After the card
// lookup, time/transport/inout/balance/journey_id hold a record of the card
// file; card and tap_inout hold the tap command; the fare rules set fee and
// update balance.
//
// The struct and its fields keep the names the system gives them
// (journey_id, tap_inout in lower case with underscores); our own names
// for the same ideas are camel case (journeyId).
#pragma once

#include <string>

#include "terminal/time_info.h"

struct CardInfo {
  TimeInfo time;
  std::string transport;
  int inout = 0;
  int tap_inout = 0;
  int balance = 0;
  std::string journey_id;  // exactly as read, its line feed included
  int fee = 0;
  std::string card;
  bool operator==(const CardInfo&) const = default;
};
