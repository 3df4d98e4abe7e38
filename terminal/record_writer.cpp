#include "terminal/record_writer.h"

#include "common/console.h"
#include "terminal/card_lookup.h"
#include "terminal/card_record.h"
#include "terminal/clock_reader.h"
#include "terminal/console_texts.h"
#include "terminal/record_file.h"
#include "terminal/tap_intent.h"

std::mutex trip_log_mutex;

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

RecordOutcome writeTapRecords(const std::string& cardPath, const std::string& tripLogPath,
                              const std::string& intentPath, const TapRecords& records) {
  RecordFile card(cardPath);
  if (!card.isOpen()) return RecordOutcome::CardOpenFailed;
  RecordFile tripLog(tripLogPath);
  if (!tripLog.isOpen()) return RecordOutcome::TripLogOpenFailed;
  tripLog.lock();
  if (!tripLog.isOpen()) return RecordOutcome::TripLogOpenFailed;
  const std::optional<PreparedAppend> cardAppend = card.prepare(records.card);
  if (!cardAppend) return RecordOutcome::CardWriteFailed;
  const std::optional<PreparedAppend> logAppend = tripLog.prepare(records.tripLog);
  // The note of the tap goes beside the trip log: where it cannot be
  // written, the trip log record could not be either.
  if (!logAppend || !writeIntent(intentPath, {cardPath, *cardAppend, tripLogPath, *logAppend})) {
    return RecordOutcome::TripLogWriteFailed;
  }
  RecordOutcome outcome = RecordOutcome::Written;
  if (!card.write(*cardAppend)) {
    outcome = RecordOutcome::CardWriteFailed;
  } else if (!tripLog.write(*logAppend)) {
    card.undoAppend();
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
    outcome = writeTapRecords(cardFilePath(cinfo.card), profile.tripLogName,
                              intentName(profile.tripLogName), records);
  }
  // Every lock of the tap is given up before its console output, which may
  // block for as long as nobody reads the console.
  releaseCard();
  if (outcome != RecordOutcome::Written) {
    consoleWrite(failureText(outcome));
    return false;
  }
  *profile.journeyCount = records.journeyCount;
  return true;
}
