#include "terminal/clock_reader.h"

#include <cstring>
#include <ctime>

#include "common/formats/record_format.h"
#include "common/process/process_calls.h"

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

std::optional<TimeInfo> clockReading(std::string_view content, ClockBuffer& buffer) {
  readClockChunks(content, buffer);
  // Not left to the buffer: after a line read by its layout, the buffer holds
  // only the line's last chunk.
  if (content.empty()) return std::nullopt;
  if (const std::optional<TimeInfo> t = timeByLayout(content)) {
    if (*t == TimeInfo{}) return std::nullopt;
    return *t;
  }
  const int value = clockValue(buffer);
  if (value == 0) return std::nullopt;
  return applyClockValue(TimeInfo{}, value);
}

TimeInfo clockAfterReading(TimeInfo current, std::string_view content, ClockBuffer& buffer) {
  return clockReading(content, buffer).value_or(current);
}

namespace {

// Whether a change at `modified` lies far enough back to show in the next
// change's time.
bool settled(const timespec& modified) {
  const timespec now = timeOfDay();
  const long long age = (static_cast<long long>(now.tv_sec) - modified.tv_sec) * 1'000'000'000LL +
                        (now.tv_nsec - modified.tv_nsec);
  return age >= kClockSettleNs;
}

}  // namespace

TimeInfo readTapClock(TimeInfo fallback, ClockBuffer& buffer, TapClockCache& cache) {
  // The state before the read: a file changed meanwhile shows another state
  // next time, and is read again then.
  const std::optional<FileState> state = stateAt(kClockFilePath).asOptional();
  if (state && cache.state && state->unchangedFrom(*cache.state)) {
    return cache.reading.value_or(fallback);
  }
  cache.state.reset();
  const Result<std::string> content = readClockFile(kClockFilePath);
  if (!content) return fallback;
  cache.reading = clockReading(*content, buffer);
  if (state && settled(state->modified)) cache.state = state;
  return cache.reading.value_or(fallback);
}
