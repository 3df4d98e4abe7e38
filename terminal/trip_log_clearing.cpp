#include "terminal/trip_log_clearing.h"

#include <cstdio>
#include <mutex>

#include "common/sleep.h"
#include "terminal/record_writer.h"
#include "terminal/terminal.h"

void fileInitializer(void*) {
  for (;;) {
    Sleep(kTripLogClearMs);
    std::lock_guard<std::mutex> lock(trip_log_mutex);
    remove(terminal().tripLogName.c_str());
  }
}
