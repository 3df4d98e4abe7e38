// The records of a charged tap: one appended to the card file
// ("../customer/<card>.txt") and one to the terminal's trip log. Both stamp
// the terminal clock, write the terminal's transport word and the tap's
// direction, and either continue the last record's journey id or write a new
// one, each by its own continuation test from the terminal profile. A new
// journey id takes the count advanced by one, for both records.
//
// A tap is recorded in both files or in neither: both are opened before
// either is written, and a trip log record that cannot be written takes the
// card record back. Otherwise a card could pay for a tap the settlement never
// sees, or the settlement count a fee no card paid. A kill between the two
// appends is made good by the next run of the terminal (tap_intent.h).
#pragma once

#include <mutex>
#include <string>

#include "terminal/card_info.h"
#include "terminal/terminal.h"
#include "terminal/time_info.h"

// Serialises appending to the trip log with its periodic removal.
extern std::mutex trip_log_mutex;

struct TapRecords {
  std::string card;      // column 4: the new balance
  std::string tripLog;   // column 4: the fee
  int journeyCount = 0;  // the terminal's count once the tap is recorded
};

// The two record lines of the tap in `card` (fee and new balance set), the
// last record before it being `card`'s record fields, with `before` the
// record before that, `lag` the minutes since the last record and `count`
// the terminal's journey count.
TapRecords tapRecords(const TerminalProfile& profile, const CardInfo& card, const CardInfo& before,
                      int lag, TimeInfo clock, int count);

enum class RecordOutcome {
  Written,
  CardOpenFailed,
  TripLogOpenFailed,
  CardWriteFailed,
  TripLogWriteFailed,
};

// Appends `records` to the card file and the trip log, or leaves both as
// they were, noting both in the intent file while it writes them. The caller
// holds the card file's lock (taken by the card lookup); the trip log is
// locked here.
RecordOutcome writeTapRecords(const std::string& cardPath, const std::string& tripLogPath,
                              const std::string& intentPath, const TapRecords& records);

// Records the tap in cinfo, stamped and measured by the tap's clock reading
// `clock`, releases its card (card_lock) and advances the journey count when
// it took a new one. On failure prints why, once the card is released
// ("Cardfile Open Error!", "Readerfile Open Error!", "Cardfile Write Error!"
// or "Readerfile Write Error!"), and returns false: the tap is not charged.
bool recordTap(TimeInfo clock);
