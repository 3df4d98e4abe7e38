#include "terminal/clock_reader.h"

#include <cstring>

#include "common/formats/record_format.h"

void readClockChunks(std::string_view content, ClockBuffer& buffer) {
  constexpr size_t kChunk = 12;
  size_t at = 0;
  while (at < content.size()) {
    const size_t start = at;
    while (at < content.size() && at - start < kChunk) {
      if (content[at++] == '\n') break;
    }
    memcpy(buffer.data(), content.data() + start, at - start);
    buffer[at - start] = '\0';
  }
}

int clockValue(const ClockBuffer& buffer) {
  // The year's bytes may hold the terminator of a shorter chunk read since.
  const size_t held = kYearWidth + strnlen(buffer.data() + kYearWidth, buffer.size() - kYearWidth);
  return timeKey(std::string_view(buffer.data(), held));
}

TimeInfo applyClockValue(TimeInfo current, int value) {
  return value == 0 ? current : clockValueToTime(value);
}

TimeInfo clockAfterReading(TimeInfo current, std::string_view content, ClockBuffer& buffer) {
  readClockChunks(content, buffer);
  // Not left to the buffer: after a line read by its layout, the buffer holds
  // only the line's last chunk.
  if (content.empty()) return current;
  if (const std::optional<TimeInfo> t = timeByLayout(content)) {
    return *t == TimeInfo{} ? current : *t;
  }
  const int value = clockValue(buffer);
  return applyClockValue(current, value);
}

TimeInfo readTapClock(TimeInfo fallback, ClockBuffer& buffer) {
  const std::optional<std::string> content = readClockFile(kClockFilePath);
  return content ? clockAfterReading(fallback, *content, buffer) : fallback;
}
