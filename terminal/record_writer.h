// The records of a charged tap: one appended to the card file
// ("../customer/<card>.txt") and one to the terminal's trip log, as the
// fare decision built them (fare_decision.h).
//
// A tap is recorded in both files or in neither: the card must be writable
// and the trip log open before either is written, and a trip log record
// that cannot be written takes the card record back. Otherwise a card could
// pay for a tap the settlement never sees, or the settlement count a fee no
// card paid. A kill between the two appends is made good by the next run of
// the terminal (tap_intent.h).
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

#include "common/files/file_identity.h"
#include "terminal/fare_decision.h"
#include "terminal/tap.h"
#include "terminal/tap_intent.h"
#include "terminal/trip_log.h"

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

// Appends `records` to the card file held by `tap` and to `log`, or leaves
// both as they were, noting both in `note` while it writes them. The
// caller holds the lock of `log` (TapFiles).
RecordOutcome writeTapRecords(Tap& tap, const TapRecords& records, TripLog& log, IntentFile& note);

// The files every tap of a terminal writes, kept open from tap to tap: the
// trip log `tripLogName`, opened by the first tap that writes it, and the
// intent file beside it, opened (and created) when the TapFiles are made.
// A file that cannot be opened is tried again by the next tap. A lock
// (trip_log_mutex) keeps the trip log's hand-over out of a tap's appends.
class TapFiles {
 public:
  explicit TapFiles(const std::string& tripLogName);

  // Records the charged tap `tap` (writeTapRecords) and releases its card,
  // before any console output.
  RecordOutcome record(Tap& tap, const TapRecords& records);

  // Closes the trip log, so that it can be renamed, and keeps every tap
  // from writing until the lock returned is given up.
  std::unique_lock<std::mutex> closeTripLog();

 private:
  std::mutex trip_log_mutex;
  TripLog tripLog_;
  IntentFile intentFile_;
};

// What the console shows for a tap that could not be recorded: "Cardfile
// Open Error!", "Readerfile Open Error!", "Cardfile Write Error!" or
// "Readerfile Write Error!"; nothing for Written and CardChanged.
const char* failureText(RecordOutcome outcome);
