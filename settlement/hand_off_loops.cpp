#include "settlement/hand_off_loops.h"

#include <chrono>
#include <ctime>
#include <optional>
#include <string>

#include "common/files/file_replace.h"
#include "common/process/console.h"
#include "common/process/sleep.h"
#include "settlement/exact_display/clock_tick.h"
#include "settlement/exact_display/clock_written.h"
#include "settlement/exact_display/exact_display.h"
#include "settlement/settlement_constants.h"
#include "settlement/settlement_cycle.h"
#include "settlement/settlement_places.h"

TimeInfo ptime;

Handoff tick_ready, tick_written, list_filled, list_settled;

int collection_period = 0;

namespace {

// The time the clock file holds, when it holds one.
std::optional<TimeInfo> clockInFile() {
  const std::optional<std::string> text = readClockFile(kClockFilePath);
  return text ? parseClockLine(*text) : std::nullopt;
}

}  // namespace

void time_setter(void*) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  ptime = clockStart(local, clockInFile());
  publishClock(ptime);
  for (;;) {
    ptime = nextTick(ptime);
    Sleep(kTickMs);
    publishClock(ptime);
    tick_ready.post();
    tick_written.await();
  }
}

void writeClockFile(const TimeInfo& t) {
  const std::string line = clockLine(t);
  if (!replaceFile(kClockFilePath, line)) {
    consoleWrite(kTimeWriteFailText);
    return;
  }
  noteClockWritten(line, std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count());
}

void time_writer(void*) {
  for (;;) {
    tick_ready.await();
    writeClockFile(ptime);
    tick_written.post();
  }
}

void reader(void*) {
  const SettlementPlaces places = programPlaces();
  for (;;) {
    Sleep(collection_period);
    collect(places);
    list_filled.post();
    list_settled.await();
  }
}

void distribute_Controller(void*) {
  const SettlementPlaces places = programPlaces();
  for (;;) {
    list_filled.await();
    settle(places);
    list_settled.post();
  }
}
