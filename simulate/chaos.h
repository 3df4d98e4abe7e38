// Faults on purpose: about every SECONDS real seconds one program of the
// world, a terminal or the settlement, is killed with SIGKILL. Which one
// and when come from the simulation's seed, so a seed kills the same
// programs in the same order (the instants follow the real clock).
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "simulate/random_stream.h"

class Chaos {
 public:
  using Clock = std::chrono::steady_clock;

  // The first kill is due a delay after `start`.
  Chaos(double seconds, uint64_t seed, Clock::time_point start)
      : seconds_(seconds), random_(seed, kStream), next_(start + nextDelay()) {}

  // Whether a kill is due at `now`; the next one is then set a delay on.
  bool due(Clock::time_point now) {
    if (now < next_) return false;
    next_ = now + nextDelay();
    return true;
  }

  // One of `candidates` (not empty).
  int pick(const std::vector<int>& candidates) {
    return candidates[static_cast<size_t>(
        random_.between(0, static_cast<int>(candidates.size()) - 1))];
  }

 private:
  // From half to one and a half times SECONDS.
  Clock::duration nextDelay() {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(seconds_ * (0.5 + random_.uniform())));
  }

  static constexpr uint64_t kStream = 0xC4A05ULL << 32;
  double seconds_;
  RandomStream random_;
  Clock::time_point next_;
};
