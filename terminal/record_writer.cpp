#include "terminal/record_writer.h"

#include "common/console.h"
#include "terminal/card_record.h"
#include "terminal/clock_reader.h"
#include "terminal/console_texts.h"
#include "terminal/record_file.h"

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
                              const TapRecords& records) {
  RecordFile card(cardPath);
  if (!card.isOpen()) return RecordOutcome::CardOpenFailed;
  RecordFile tripLog(tripLogPath);
  if (!tripLog.isOpen()) return RecordOutcome::TripLogOpenFailed;
  tripLog.lock();
  if (!card.append(records.card)) return RecordOutcome::CardWriteFailed;
  if (!tripLog.append(records.tripLog)) {
    card.undoAppend();
    return RecordOutcome::TripLogWriteFailed;
  }
  return RecordOutcome::Written;
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
  std::lock_guard<std::mutex> lock(trip_log_mutex);
  const RecordOutcome outcome =
      writeTapRecords(cardFilePath(cinfo.card), profile.tripLogName, records);
  if (outcome != RecordOutcome::Written) {
    consoleWrite(failureText(outcome));
    return false;
  }
  *profile.journeyCount = records.journeyCount;
  return true;
}
