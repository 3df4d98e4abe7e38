#include "terminal/clock_reader.h"

#include <cstring>

#include "common/console.h"
#include "common/record_format.h"
#include "common/sleep.h"
#include "terminal/console_texts.h"
#include "terminal/terminal_profile.h"

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
  return applyClockValue(current, clockValue(buffer));
}

TimeInfo readTapClock(TimeInfo fallback, ClockBuffer& buffer) {
  const std::optional<std::string> content = readClockFile(kClockFilePath);
  return content ? clockAfterReading(fallback, *content, buffer) : fallback;
}

namespace {

// Whether a failed reading at `now` is reported, the last report of the
// failures since the last good reading having been at `reported`.
bool clockErrorDue(std::optional<std::chrono::steady_clock::time_point> reported,
                   std::chrono::steady_clock::time_point now) {
  return !reported || now - *reported >= kClockErrorInterval;
}

// The one pace of the clock reader. After a reading the display learns of
// it, and the next reading waits for the display's request. After a failed
// reading the next try comes at that request or after kClockRetryInterval,
// whichever is first (before the first reading the display does not run,
// so then it is always the interval).
void awaitNextReading(bool read) {
  if (read) {
    clock_ready.post();
    read_requested.await();
  } else {
    read_requested.awaitFor(kClockRetryInterval);
  }
}

}  // namespace

void timereader(void*) {
  ClockBuffer buffer{};
  TerminalClock& clock = *terminal().clock;
  std::optional<std::chrono::steady_clock::time_point> reported;
  for (bool first = true;; first = false) {
    const std::optional<std::string> content = readClockFile(kClockFilePath);
    if (content) {
      clock.set(clockAfterReading(clock.get(), *content, buffer));
      reported.reset();
    } else if (const auto now = std::chrono::steady_clock::now(); clockErrorDue(reported, now)) {
      consoleWrite(kTimeReadErrorText);
      reported = now;
    }
    if (first) clock_tried.post();
    awaitNextReading(content.has_value());
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
