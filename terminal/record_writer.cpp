#include "terminal/record_writer.h"

#include "common/console.h"
#include "terminal/card_lookup.h"
#include "terminal/card_record.h"
#include "terminal/clock_reader.h"
#include "terminal/console_texts.h"
#include "terminal/record_file.h"
#include "terminal/tap_intent.h"

std::mutex trip_log_mutex;
bool card_changed = false;

TapRecords tapRecords(const TerminalProfile& profile, const CardInfo& card, const CardInfo& before,
                      int lag, TimeInfo clock, int count) {
  TapRecords records;
  const bool cardContinues = profile.cardContinues(card, before, lag);
  records.journeyCount = cardContinues ? count : count + 1;
  const std::string newId = newJourneyId(profile.identifierDigits, records.journeyCount);
  records.card = recordLine(clock, profile.transport, card.tap_inout, card.balance,
                            cardContinues ? card.journey_id : newId);
  records.tripLog =
      recordLine(clock, profile.transport, card.tap_inout, card.fee,
                 profile.tripLogContinues(card, before, lag) ? card.journey_id : newId);
  return records;
}

CardCheck checkCard(const FileState& asRead, const std::optional<FileState>& opened,
                    const std::optional<FileState>& named) {
  if (!named || named->identity != asRead.identity) return CardCheck::Changed;
  if (!opened) return CardCheck::Unwritable;
  if (!opened->unchangedFrom(asRead)) return CardCheck::Changed;
  return CardCheck::AsRead;
}

RecordOutcome writeTapRecords(const std::string& card, const FileState& cardAsRead,
                              const std::string& tripLogPath, const std::string& intentPath,
                              const TapRecords& records) {
  const std::string cardPath = cardFilePath(card);
  RecordFile cardFile(cardPath, WhenMissing::Fail);
  if (!cardFile.isOpen()) {
    return checkCard(cardAsRead, std::nullopt, stateAt(cardPath)) == CardCheck::Changed
               ? RecordOutcome::CardChanged
               : RecordOutcome::CardOpenFailed;
  }
  RecordFile tripLog(tripLogPath, WhenMissing::Create);
  if (!tripLog.isOpen()) return RecordOutcome::TripLogOpenFailed;
  tripLog.lock();
  if (!tripLog.isOpen()) return RecordOutcome::TripLogOpenFailed;
  // Checked last, after any wait for the trip log's lock.
  if (checkCard(cardAsRead, cardFile.state(), stateAt(cardPath)) != CardCheck::AsRead) {
    return RecordOutcome::CardChanged;
  }
  const std::optional<PreparedAppend> cardAppend = cardFile.prepare(records.card);
  if (!cardAppend) return RecordOutcome::CardWriteFailed;
  const std::optional<PreparedAppend> logAppend = tripLog.prepare(records.tripLog);
  // The note of the tap goes beside the trip log: where it cannot be
  // written, the trip log record could not be either.
  if (!logAppend || !writeIntent(intentPath, {card, *cardAppend, *logAppend})) {
    return RecordOutcome::TripLogWriteFailed;
  }
  RecordOutcome outcome = RecordOutcome::Written;
  if (!cardFile.write(*cardAppend)) {
    outcome = RecordOutcome::CardWriteFailed;
  } else if (!tripLog.write(*logAppend)) {
    cardFile.undoAppend();
    outcome = RecordOutcome::TripLogWriteFailed;
  }
  removeIntent(intentPath);
  return outcome;
}

namespace {

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

}  // namespace

bool recordTap(TimeInfo clock) {
  const TerminalProfile& profile = terminal();
  const TapRecords records = tapRecords(profile, cinfo, ocinfo, lagMinutes(clock, cinfo.time),
                                        clock, *profile.journeyCount);
  RecordOutcome outcome;
  {
    std::lock_guard<std::mutex> lock(trip_log_mutex);
    outcome = writeTapRecords(cinfo.card, card_lock.asRead, profile.tripLogName,
                              intentName(profile.tripLogName), records);
  }
  // Every lock of the tap is given up before its console output, which may
  // block for as long as nobody reads the console.
  releaseCard();
  if (outcome == RecordOutcome::CardChanged) {
    card_changed = true;
    return false;
  }
  if (outcome != RecordOutcome::Written) {
    consoleWrite(failureText(outcome));
    return false;
  }
  *profile.journeyCount = records.journeyCount;
  return true;
}
