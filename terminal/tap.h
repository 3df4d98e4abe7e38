// A tap as one value: the card number and direction typed, the card's
// records as the lookup found them, the clock reading the tap is timed and
// stamped with, and the card file held open and locked until the tap's
// records are written. The command reader builds it and hands it to the
// fare controller through the tap hand-off (terminal.h); the fare decision
// (fare_decision.h) is a plain function of it. No tap lives in a global:
// each is owned by the thread that has it in hand.
//
// The system's own names for its parts are views into it: cinfo (the last
// record, with the card number and the direction typed) and ocinfo (the
// record before).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "terminal/card_lookup.h"
#include "terminal/card_record.h"
#include "terminal/time_info.h"

// A tap command split at spaces: the card number and the direction word.
struct TapCommand {
  std::string card;
  int tap_inout = 0;  // 1 for "IN", 0 for "OUT"
};

struct Tap {
  CardRecords records;  // records.last.card and .tap_inout: the command typed
  TimeInfo clock;
  HeldCard held;

  const std::string& card() const { return records.last.card; }
  int tapInout() const { return records.last.tap_inout; }
  TapCommand command() const { return {card(), tapInout()}; }

  CardInfo& cinfo() { return records.last; }
  const CardInfo& cinfo() const { return records.last; }
  CardInfo& ocinfo() { return records.before; }
  const CardInfo& ocinfo() const { return records.before; }
};

// A tap whose card is loaded, or what the console shows for a card that
// cannot be: "File open failed" or "Cardfile Read Error!".
struct TapLoad {
  std::optional<Tap> tap;
  std::string_view failure;  // while there is no tap
};

// The card lookup of `command`, under the name the system gives it: the
// card's records and its card file held, `defaultRecord` standing for the
// record before a card's first. The tap's clock is not read here.
TapLoad parser(const TapCommand& command, std::string_view defaultRecord);
