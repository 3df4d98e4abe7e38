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
//
// The card record goes only to the card file the tap was decided from: just
// before the appends, the card's name must still stand for the file the
// lookup read, unwritten since (its size and modification time as read). A
// card replaced, removed, renamed away, cut or rewritten while the tap was in
// hand is not written to; the tap is looked up and decided again instead.
#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "common/file_identity.h"
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

// Where a card file stands just before its record is appended, given the
// file as the lookup read it (`asRead`), the file opened for the append
// (nullopt when it could not be opened) and what the card's name stands for
// now (nullopt when nothing): still as read (the same file, its size and
// modification time unchanged), changed since, or as read but not writable.
enum class CardCheck { AsRead, Changed, Unwritable };
CardCheck checkCard(const FileState& asRead, const std::optional<FileState>& opened,
                    const std::optional<FileState>& named);

enum class RecordOutcome {
  Written,
  CardChanged,
  CardOpenFailed,
  TripLogOpenFailed,
  CardWriteFailed,
  TripLogWriteFailed,
};

// Appends `records` to the file of card `card` and to the trip log, or
// leaves both as they were, noting both in the intent file while it writes
// them. The caller holds the card file's lock (taken by the card lookup),
// which read it as `cardAsRead`; the trip log is locked here.
RecordOutcome writeTapRecords(const std::string& card, const FileState& cardAsRead,
                              const std::string& tripLogPath, const std::string& intentPath,
                              const TapRecords& records);

// Set by recordTap when the card changed while the tap was in hand: the
// tap is not charged and nothing is shown; the fare controller looks the
// card up again and decides again.
extern bool card_changed;

// Records the tap in cinfo, stamped and measured by the tap's clock reading
// `clock`, releases its card (card_lock) and advances the journey count when
// it took a new one. On failure prints why, once the card is released
// ("Cardfile Open Error!", "Readerfile Open Error!", "Cardfile Write Error!"
// or "Readerfile Write Error!"; nothing when the card changed), and returns
// false: the tap is not charged.
bool recordTap(TimeInfo clock);
