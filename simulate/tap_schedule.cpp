#include "simulate/tap_schedule.h"

#include <algorithm>

TapSchedule::TapSchedule(int fromMinute, int lastMinute)
    : base_(fromMinute),
      released_(fromMinute - 1),
      buckets_(static_cast<size_t>(std::max(0, lastMinute - fromMinute + 1))) {}

void TapSchedule::plan(const TapTicket& ticket) {
  const int minute = ticket.tap.minute;
  if (minute <= released_) {
    queue(ticket);
    return;
  }
  const size_t slot = static_cast<size_t>(minute - base_);
  if (slot >= buckets_.size()) buckets_.resize(slot + 1);
  buckets_[slot].push_back(ticket);
}

void TapSchedule::release(int clockMinutes) {
  while (released_ < clockMinutes) {
    ++released_;
    const int slot = released_ - base_;
    if (slot < 0 || static_cast<size_t>(slot) >= buckets_.size()) continue;
    std::vector<TapTicket>& bucket = buckets_[static_cast<size_t>(slot)];
    for (const TapTicket& ticket : bucket) queue(ticket);
    std::vector<TapTicket>().swap(bucket);
  }
}

void TapSchedule::retry(const TapTicket& ticket, Clock::time_point when) {
  retries_.emplace_back(when, ticket);
}

std::optional<TapSchedule::Clock::time_point> TapSchedule::releaseRetries(Clock::time_point now) {
  std::optional<Clock::time_point> next;
  for (auto retry = retries_.begin(); retry != retries_.end();) {
    if (retry->first <= now) {
      queue(retry->second);
      retry = retries_.erase(retry);
      continue;
    }
    next = next ? std::min(*next, retry->first) : retry->first;
    ++retry;
  }
  return next;
}
