// When each rider's next tap goes. A rider waits by the minute of its next
// tap until the clock reaches it, then queues at the tap's terminal; a tap
// to be tried again a moment later (after "Time read error!") waits for
// that moment. The driver types a terminal's queue into its console while
// the terminal is up. Riders are numbers; the plan itself is the
// driver's.
#pragma once

#include <array>
#include <chrono>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "simulate/demand_model.h"

class TapSchedule {
 public:
  using Clock = std::chrono::steady_clock;

  // Minutes from `fromMinute` to `lastMinute` are kept apart; a tap before
  // the first is due at once.
  TapSchedule(int fromMinute, int lastMinute);

  // The rider's next tap is at `minute` at `terminal`.
  void plan(int rider, int minute, int terminal);
  // Queues every rider whose minute the clock (`clockMinutes`) reached.
  void release(int clockMinutes);
  // The rider goes again at `terminal` at `when` (real time).
  void retry(int rider, int terminal, Clock::time_point when);
  // Queues the retries that are due; when the next one is, if any.
  std::optional<Clock::time_point> releaseRetries(Clock::time_point now);

  // Riders due at `terminal`, in order.
  std::deque<int>& queue(int terminal) { return queues_[static_cast<size_t>(terminal)]; }

 private:
  int base_;
  int released_;                                           // the minutes up to here are queued
  std::vector<std::vector<std::pair<int, int>>> buckets_;  // (rider, terminal) by minute
  std::vector<std::pair<Clock::time_point, std::pair<int, int>>> retries_;
  std::array<std::deque<int>, kTerminalCount> queues_;
};
