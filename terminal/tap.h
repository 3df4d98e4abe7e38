// A tap as one value: the card number and direction typed, the card's
// records as the lookup found them, the clock reading the tap is timed and
// stamped with, and the card file held open and locked until the tap's
// records are written. The command reader builds it and hands it to the
// fare controller; the fare decision (fare_decision.h) is a plain function
// of it.
//
// The running terminal has one tap in hand, `tap_in_hand`, which the tap
// hand-off passes from reader to Calculate_Controller and back. The
// system's own names for its parts are views into it: cinfo (the last
// record, with the card number and the direction typed), ocinfo (the record
// before) and tap_time (the clock reading).
#pragma once

#include "terminal/card_lookup.h"
#include "terminal/card_record.h"
#include "terminal/time_info.h"

struct Tap {
  CardRecords records;  // records.last.card and .tap_inout: the command typed
  TimeInfo clock;
  HeldCard held;

  const std::string& card() const { return records.last.card; }
  int tapInout() const { return records.last.tap_inout; }
};

extern Tap tap_in_hand;
extern CardInfo& cinfo;
extern CardInfo& ocinfo;
extern TimeInfo& tap_time;

// Loads the card cinfo.card into the tap in hand (its records and its held
// card file) and returns true; prints "File open failed" or "Cardfile Read
// Error!" and returns false when the card cannot be loaded, so that the tap
// is dropped.
bool parser();

// Loads the card (parser) and then, while it is held, reads the clock for
// the tap into tap_time. False when the card cannot be loaded.
bool loadTap();

// Ends the hold on the card of the tap in hand; nothing when none is held.
void releaseCard();

// Minutes from `t` to the terminal clock as read for the tap in hand
// (tap_time), by lagMinutes.
int timeLag(TimeInfo t);
