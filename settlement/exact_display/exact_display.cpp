#include "settlement/exact_display/exact_display.h"

#include <cstdio>
#include <ctime>

#include "common/console.h"
#include "common/sleep.h"
#include "common/file_replace.h"
#include "settlement/exact_display/clock_tick.h"
#include "settlement/settlement.h"
#include "settlement/settlement_constants.h"

void time_setter(void*) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  ptime = clockStart(local);
  for (;;) {
    ptime = nextTick(ptime);
    Sleep(kTickMs);
    tick_ready.post();
    tick_written.await();
  }
}

void time_writer(void*) {
  for (;;) {
    tick_ready.await();
    if (!replaceFile(kClockFilePath, clockLine(ptime))) consoleWrite(kTimeWriteFailText);
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

void display_controller(int flag) {
  if (flag != 0) exact_CalculationDisplay();
}

void exact_CalculationDisplay() {
  consoleWrite(resultBlock(result));
}
