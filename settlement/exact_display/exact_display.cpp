#include "settlement/exact_display/exact_display.h"

#include <cstdio>
#include <mutex>

#include "common/process/console.h"
#include "settlement/settlement_constants.h"

namespace {

// ptime as the settlement loop may see it: copied under its own mutex at
// every tick, since ptime itself belongs to the clock loop.
std::mutex published_mutex;
TimeInfo published;

}  // namespace

void publishClock(const TimeInfo& t) {
  std::lock_guard<std::mutex> lock(published_mutex);
  published = t;
}

std::string currentClockText() {
  std::lock_guard<std::mutex> lock(published_mutex);
  return timeText(published);
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
