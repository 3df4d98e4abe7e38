// Arbitrary bytes as the clock file, read twice into the same buffer as the
// clock reader does (the buffer is never cleared between readings). The
// buffer stays terminated, the content converts to a clock without fault,
// and the lag from any stamp to that clock is never negative.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "terminal/card_record.h"
#include "terminal/clock_reader.h"
#include "terminal/time_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t half = size / 2;
  ClockBuffer buffer{};
  TimeInfo clock;
  for (const std::string& reading : {input.substr(0, half), input.substr(half)}) {
    clock = clockAfterReading(clock, reading, buffer);
    if (buffer[12] != '\0') abort();
    (void)timeText(clock);
    if (lagMinutes(clock, recordTime(reading)) < 0) abort();
  }
  return 0;
}
