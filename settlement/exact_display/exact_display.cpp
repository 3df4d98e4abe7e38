#include "settlement/exact_display/exact_display.h"

#include <cstdio>

#include "common/process/console.h"
#include "settlement/settlement_constants.h"

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
