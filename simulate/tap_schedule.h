// When each rider's next tap goes. A tap waits by its planned minute until
// the clock reaches it, then queues at its terminal; a tap to be tried
// again a moment later (after "Time read error!") waits for that moment.
// The driver types a terminal's queue into its console while the terminal
// is up. What waits is a ticket: the rider, the tap and whether it is typed
// mistyped, so that typing it looks nothing up.
#pragma once

#include <array>
#include <chrono>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

#include "simulate/demand_model.h"

struct TapTicket {
  int rider = 0;
  PlannedTap tap;
  bool mistyped = false;
};

class TapSchedule {
 public:
  using Clock = std::chrono::steady_clock;

  // Minutes from `fromMinute` to `lastMinute` are kept apart; a tap before
  // the first is due at once.
  TapSchedule(int fromMinute, int lastMinute);

  // The ticket waits for its tap's minute.
  void plan(const TapTicket& ticket);
  // Queues every ticket whose minute the clock (`clockMinutes`) reached.
  void release(int clockMinutes);
  // The ticket goes again at `when` (real time).
  void retry(const TapTicket& ticket, Clock::time_point when);
  // Queues the retries that are due; when the next one is, if any.
  std::optional<Clock::time_point> releaseRetries(Clock::time_point now);

  // Tickets due at `terminal`, in order.
  std::deque<TapTicket>& queue(int terminal) { return queues_[static_cast<size_t>(terminal)]; }
  void queue(const TapTicket& ticket) { queue(ticket.tap.terminal).push_back(ticket); }

 private:
  int base_;
  int released_;                                 // the minutes up to here are queued
  std::vector<std::vector<TapTicket>> buckets_;  // by minute from base_
  std::vector<std::pair<Clock::time_point, TapTicket>> retries_;
  std::array<std::deque<TapTicket>, kTerminalCount> queues_;
};
