#include "settlement/exact_display/exact_display.h"

#include <cstdio>
#include <ctime>
#include <mutex>

#include "common/console.h"
#include "common/file_replace.h"
#include "common/sleep.h"
#include "settlement/exact_display/clock_tick.h"
#include "settlement/settlement.h"
#include "settlement/settlement_constants.h"

namespace {

// ptime as the settlement loop may see it: copied under its own mutex at
// every tick, since ptime itself belongs to the clock loop.
std::mutex published_mutex;
TimeInfo published;

void publish(const TimeInfo& t) {
  std::lock_guard<std::mutex> lock(published_mutex);
  published = t;
}

// The time the clock file holds, when it holds one.
std::optional<TimeInfo> clockInFile() {
  const std::optional<std::string> text = readClockFile(kClockFilePath);
  return text ? parseClockLine(*text) : std::nullopt;
}

}  // namespace

std::string currentClockText() {
  std::lock_guard<std::mutex> lock(published_mutex);
  return timeText(published);
}

void time_setter(void*) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  ptime = clockStart(local, clockInFile());
  publish(ptime);
  for (;;) {
    ptime = nextTick(ptime);
    Sleep(kTickMs);
    publish(ptime);
    tick_ready.post();
    tick_written.await();
  }
}

void writeClockFile(const TimeInfo& t) {
  if (!replaceFile(kClockFilePath, clockLine(t))) consoleWrite(kTimeWriteFailText);
}

void time_writer(void*) {
  for (;;) {
    tick_ready.await();
    writeClockFile(ptime);
    tick_written.post();
  }
}

std::string resultBlock(const Totals& totals) {
  std::string block = kResultTitleText;
  char line[64];
  snprintf(line, sizeof line, kBusResultFormat, totals[kBusOperator]);
  block += line;
  snprintf(line, sizeof line, kMetroResultFormat, totals[kMetroOperator]);
  block += line;
  return block;
}

void display_controller(int flag, const Totals& totals) {
  if (flag != 0) exact_CalculationDisplay(totals);
}

void exact_CalculationDisplay(const Totals& totals) {
  consoleWrite(resultBlock(totals));
}
