#include "settlement/hand_off_loops.h"

#include <chrono>
#include <ctime>
#include <optional>
#include <string>

#include "common/base/sleep.h"
#include "common/files/file_replace.h"
#include "common/files/world_layout.h"
#include "common/formats/clock_file.h"
#include "common/process/console.h"
#include "common/process/process_calls.h"
#include "settlement/exact_display/clock_tick.h"
#include "settlement/settlement.h"
#include "settlement/settlement_constants.h"

namespace {

// The time the clock file holds, when it holds one.
std::optional<TimeInfo> clockInFile() {
  const Result<std::string> text = readClockFile(kClockFilePath);
  return text ? parseClockLine(*text) : std::nullopt;
}

int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void time_setter(Settlement& settlement) {
  const std::tm local = localTimeNow();
  TimeInfo& ptime = settlement.ptime;
  ptime = clockStart(local, clockInFile());
  settlement.clock.publish(ptime);
  for (;;) {
    ptime = nextTick(ptime);
    Sleep(kTickMs);
    settlement.clock.publish(ptime);
    settlement.tick_ready.post();
    settlement.tick_written.await();
  }
}

void writeClockFile(const TimeInfo& t, SettlementClock& clock) {
  const std::string line = clockLine(t);
  if (!replaceFile(kClockFilePath, line)) {
    consoleWrite(kTimeWriteFailText);
    return;
  }
  clock.noteWritten(line, nowNs());
}

void time_writer(Settlement& settlement) {
  for (;;) {
    settlement.tick_ready.await();
    writeClockFile(settlement.ptime, settlement.clock);
    settlement.tick_written.post();
  }
}

void reader(Settlement& settlement) {
  for (;;) {
    Sleep(settlement.collection_period);
    settlement.list_filled.post(settlement.cycle.collect());
    settlement.list_settled.await();
  }
}

void distribute_Controller(Settlement& settlement) {
  for (;;) {
    settlement.cycle.settle(settlement.list_filled.await());
    settlement.list_settled.post();
  }
}
