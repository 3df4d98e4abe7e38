#include "bus/bus_controller.h"

#include "terminal/terminal.h"

TerminalClock btime;

namespace {
void applyBusFareRules() {}
}  // namespace

void Calculate_Controller(void*) { serveTaps(applyBusFareRules); }
