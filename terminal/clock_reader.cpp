#include "terminal/clock_reader.h"

#include <cstring>
#include <string_view>

#include "common/console.h"
#include "common/sleep.h"
#include "common/text.h"
#include "terminal/console_texts.h"
#include "terminal/terminal.h"

void readClockChunks(FILE* file, ClockBuffer& buffer) {
  for (;;) {
    size_t taken = 0;
    int c = 0;
    char chunk[12];
    while (taken < sizeof chunk && (c = getc(file)) != EOF) {
      chunk[taken++] = static_cast<char>(c);
      if (c == '\n') break;
    }
    if (taken > 0) {
      memcpy(buffer.data(), chunk, taken);
      buffer[taken] = '\0';
    }
    if (c == EOF) return;
  }
}

int clockValue(const ClockBuffer& buffer) {
  const char* start = buffer.data() + 4;
  return readInt(std::string_view(start, strnlen(start, buffer.size() - 4)));
}

TimeInfo applyClockValue(TimeInfo current, int value) {
  return value == 0 ? current : clockValueToTime(value);
}

void timereader(void*) {
  ClockBuffer buffer{};
  TerminalClock& clock = *terminal().clock;
  for (;;) {
    FILE* file = fopen(kClockFilePath, "r+");
    if (file == nullptr) {
      consoleWrite(kTimeReadErrorText);
      continue;
    }
    readClockChunks(file, buffer);
    clock.set(applyClockValue(clock.get(), clockValue(buffer)));
    fclose(file);
    clock_ready.post();
    read_requested.await();
  }
}

void time_Display(void*) {
  clock_ready.await();
  for (;;) {
    const TimeInfo t = terminal().clock->get();
    consolePrintf("%d/ %d/ %d/ %d/ %d\n", t.year, t.month, t.day, t.hour, t.minute);
    Sleep(kClockDisplayMs);
    read_requested.post();
  }
}

int timeLag(TimeInfo t) {
  return lagMinutes(terminal().clock->get(), t);
}
