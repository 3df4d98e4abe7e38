#include "terminal/trip_log_clearing.h"

#include <cstdio>

#include "common/sleep.h"
#include "terminal/terminal.h"

void fileInitializer(void*) {
  for (;;) {
    Sleep(kTripLogClearMs);
    remove(terminal().tripLogName.c_str());
  }
}
