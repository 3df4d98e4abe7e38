// Progress on standard error: one line rewritten in place on a terminal
// (four times a second), a line every five seconds otherwise.
#pragma once

#include <chrono>
#include <string>

struct ProgressFigures {
  int clockMinutes = 0;
  long long answered = 0;
  long long planned = 0;
  double tapsPerSecond = 0;
  long long refused = 0;
  long long kills = 0;
};

// "clock 07:36  taps 12034/56000  3120 taps/s  refused 41  kills 2".
std::string progressText(const ProgressFigures& figures);

class ProgressLine {
 public:
  ProgressLine();
  // Shows `figures` when a line is due (always when `now` is forced).
  void show(const ProgressFigures& figures, bool force = false);
  // Ends the line in place, so what follows starts on a line of its own.
  void end();

 private:
  bool inPlace_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point next_{};
};
