#include "terminal/record_writer.h"

#include "common/console.h"
#include "terminal/card_record.h"
#include "terminal/clock_reader.h"
#include "terminal/console_texts.h"
#include "terminal/record_file.h"
#include "terminal/terminal.h"

std::mutex trip_log_mutex;

namespace {

struct WriterTexts {
  const char* openError;
  const char* written;
};

// The steps both writers share: open, decide the journey id, append one
// record line, close, confirm.
void writeTapRecord(const std::string& path, const WriterTexts& texts, int amount,
                    ContinuationTest continues, bool advancesCount) {
  const TerminalProfile& profile = terminal();
  {
    RecordFile file(path);
    if (!file.isOpen()) {
      consoleWrite(texts.openError);
      return;
    }
    std::string journeyId;
    if (continues(cinfo, ocinfo, timeLag(cinfo.time))) {
      journeyId = cinfo.journey_id;
    } else {
      if (advancesCount) ++*profile.journeyCount;
      journeyId = newJourneyId(profile.identifierDigits, *profile.journeyCount);
    }
    file.append(
        recordLine(profile.clock->get(), profile.transport, cinfo.tap_inout, amount, journeyId));
  }
  consoleWrite(texts.written);
}

}  // namespace

void cardFileWriter() {
  writeTapRecord(cardFilePath(cinfo.card), {kCardfileOpenErrorText, kCardfileWriteText},
                 cinfo.balance, terminal().cardContinues, true);
}

void readerFileWriter() {
  std::lock_guard<std::mutex> lock(trip_log_mutex);
  writeTapRecord(terminal().tripLogName, {kReaderfileOpenErrorText, kReadefileWriteText}, cinfo.fee,
                 terminal().tripLogContinues, false);
}

void cardWriteController(int flag) {
  if (flag != 0) cardFileWriter();
}

void readerWriteController(int flag) {
  if (flag != 0) readerFileWriter();
}
