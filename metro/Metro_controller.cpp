#include "metro/Metro_controller.h"

#include "terminal/terminal.h"

int identifier = 0;
TerminalClock mtime;

namespace {
void applyMetroFareRules() {}
}  // namespace

void Calculate_Controller(void*) { serveTaps(applyMetroFareRules); }
