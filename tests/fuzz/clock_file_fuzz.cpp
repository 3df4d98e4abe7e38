// Arbitrary bytes as the clock file, read twice into the same buffer as the
// clock reader does (the buffer is never cleared between readings). The
// buffer stays terminated and the value converts to a clock without fault.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "terminal/clock_reader.h"
#include "terminal/time_info.h"

namespace {

void readInto(ClockBuffer& buffer, std::string content) {
  if (content.empty()) return;
  FILE* file = fmemopen(content.data(), content.size(), "r");
  if (file == nullptr) return;
  readClockChunks(file, buffer);
  fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const size_t half = size / 2;
  ClockBuffer buffer{};
  TimeInfo clock;
  for (const std::string& reading : {input.substr(0, half), input.substr(half)}) {
    readInto(buffer, reading);
    if (buffer[12] != '\0') abort();
    clock = applyClockValue(clock, clockValue(buffer));
    (void)timeChange(clock);
    (void)timeText(clock);
  }
  return 0;
}
