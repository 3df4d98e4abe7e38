#include "terminal/record_writer.h"

#include "common/files/world_layout.h"
#include "terminal/console_texts.h"
#include "terminal/record_file.h"

CardCheck checkCard(const FileState& asRead, const std::optional<FileState>& opened,
                    const std::optional<FileState>& named) {
  if (!named || named->identity != asRead.identity) return CardCheck::Changed;
  if (!opened) return CardCheck::Unwritable;
  if (!opened->unchangedFrom(asRead)) return CardCheck::Changed;
  return CardCheck::AsRead;
}

RecordOutcome writeTapRecords(Tap& tap, const TapRecords& records, TripLog& log, IntentFile& note) {
  const std::string cardPath = cardFilePath(tap.card());
  const FileState asRead = tap.held.asRead;
  // A card held for reading only is opened for the append now: it gets its
  // own message when that fails, and is checked like the held one.
  const bool reopened = !tap.held.writable;
  RecordFile card =
      reopened ? RecordFile(cardPath, WhenMissing::Fail) : RecordFile(std::move(tap.held.file));
  if (!card.isOpen()) {
    return checkCard(asRead, std::nullopt, stateAt(cardPath).asOptional()) == CardCheck::Changed
               ? RecordOutcome::CardChanged
               : RecordOutcome::CardOpenFailed;
  }
  if (!log.open()) return RecordOutcome::TripLogOpenFailed;
  // The held file is the named one whenever the identities agree.
  const std::optional<FileState> named = stateAt(cardPath).asOptional();
  if (checkCard(asRead, reopened ? card.state() : named, named) != CardCheck::AsRead) {
    return RecordOutcome::CardChanged;
  }
  const std::optional<PreparedAppend> cardAppend =
      reopened
          ? card.prepare(records.card)
          : PreparedAppend{asRead.size, (tap.records.endsWithLineFeed ? "" : "\n") + records.card};
  if (!cardAppend) return RecordOutcome::CardWriteFailed;
  const std::optional<PreparedAppend> logAppend = log.prepare(records.tripLog);
  // The note of the tap goes beside the trip log: where it cannot be
  // written, the trip log record could not be either.
  if (!logAppend || !note.write({tap.card(), *cardAppend, *logAppend})) {
    return RecordOutcome::TripLogWriteFailed;
  }
  RecordOutcome outcome = RecordOutcome::Written;
  if (!card.write(*cardAppend)) {
    outcome = RecordOutcome::CardWriteFailed;
  } else if (!log.write(*logAppend)) {
    card.undoAppend();
    outcome = RecordOutcome::TripLogWriteFailed;
  }
  note.clear();
  return outcome;
}

// The trip log is opened by the first tap: nothing is created before.
TapFiles::TapFiles(const std::string& tripLogName)
    : tripLog_(tripLogName), intentFile_(intentName(tripLogName)) {}

RecordOutcome TapFiles::record(Tap& tap, const TapRecords& records) {
  RecordOutcome outcome;
  {
    std::lock_guard<std::mutex> lock(trip_log_mutex);
    outcome = writeTapRecords(tap, records, tripLog_, intentFile_);
  }
  // Every lock of the tap is given up before its console output, which may
  // block for as long as nobody reads the console.
  tap.held = HeldCard();
  return outcome;
}

std::unique_lock<std::mutex> TapFiles::closeTripLog() {
  std::unique_lock<std::mutex> lock(trip_log_mutex);
  tripLog_.close();
  return lock;
}

const char* failureText(RecordOutcome outcome) {
  switch (outcome) {
    case RecordOutcome::CardOpenFailed:
      return kCardfileOpenErrorText;
    case RecordOutcome::TripLogOpenFailed:
      return kReaderfileOpenErrorText;
    case RecordOutcome::CardWriteFailed:
      return kCardfileWriteErrorText;
    case RecordOutcome::TripLogWriteFailed:
      return kReaderfileWriteErrorText;
    case RecordOutcome::Written:
    case RecordOutcome::CardChanged:
      break;
  }
  return "";
}
