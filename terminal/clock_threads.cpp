#include "terminal/clock_threads.h"

#include <optional>
#include <string>

#include "common/base/sleep.h"
#include "common/files/world_layout.h"
#include "common/formats/clock_file.h"
#include "common/process/console.h"
#include "terminal/clock_reader.h"
#include "terminal/console_texts.h"
#include "terminal/terminal.h"

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
void awaitNextReading(Terminal& terminal, bool read) {
  if (read) {
    terminal.clock_ready.post();
    terminal.read_requested.await();
  } else {
    terminal.read_requested.awaitFor(kClockRetryInterval);
  }
}

}  // namespace

void timereader(Terminal& terminal) {
  ClockBuffer buffer{};
  TerminalClock& clock = terminal.clock;
  std::optional<std::chrono::steady_clock::time_point> reported;
  for (bool first = true;; first = false) {
    const Result<std::string> content = readClockFile(kClockFilePath);
    if (content) {
      clock.set(clockAfterReading(clock.get(), *content, buffer));
      reported.reset();
    } else if (const auto now = std::chrono::steady_clock::now(); clockErrorDue(reported, now)) {
      consoleWrite(kTimeReadErrorText);
      reported = now;
    }
    if (first) terminal.clock_tried.post();
    awaitNextReading(terminal, content.ok());
  }
}

void time_Display(Terminal& terminal) {
  terminal.clock_ready.await();
  for (;;) {
    const TimeInfo t = terminal.clock.get();
    consolePrintf("%d/ %d/ %d/ %d/ %d\n", t.year, t.month, t.day, t.hour, t.minute);
    Sleep(kClockDisplayMs);
    terminal.read_requested.post();
  }
}
