#include "simulate/progress_line.h"

#include <unistd.h>

#include <cstdio>

#include "common/process/console.h"
#include "common/process/process_calls.h"
#include "driving/clock_follower.h"

std::string progressText(const ProgressFigures& f) {
  char line[200];
  snprintf(line, sizeof line, "clock %s  taps %lld/%lld  %.0f taps/s  refused %lld  kills %lld",
           clockText(f.clockMinutes).c_str(), f.answered, f.planned, f.tapsPerSecond, f.refused,
           f.kills);
  return line;
}

ProgressLine::ProgressLine() : inPlace_(isTerminal(STDERR_FILENO)) {}

void ProgressLine::show(const ProgressFigures& figures, bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && now < next_) return;
  next_ = now + (inPlace_ ? std::chrono::milliseconds(250) : std::chrono::milliseconds(5000));
  if (inPlace_) {
    errorWrite("\r" + progressText(figures) + "\x1b[K");
  } else {
    errorWrite(progressText(figures) + "\n");
  }
  shown_ = true;
}

void ProgressLine::end() {
  if (inPlace_ && shown_) errorWrite("\n");
  shown_ = false;
}
