// Faults on purpose: about every SECONDS real seconds one program of the
// world, a terminal or the settlement, is killed with SIGKILL. Which one
// and when come from the simulation's seed, so a seed kills the same
// programs in the same order (the instants follow the real clock).
#pragma once

#include <cstdint>
#include <vector>

#include "simulate/random_stream.h"

class Chaos {
 public:
  Chaos(double seconds, uint64_t seed) : seconds_(seconds), random_(seed, kStream) {}

  // Real seconds until the next kill: from half to one and a half times
  // SECONDS.
  double nextDelay() { return seconds_ * (0.5 + random_.uniform()); }

  // One of `candidates` (not empty).
  int pick(const std::vector<int>& candidates) {
    return candidates[static_cast<size_t>(
        random_.between(0, static_cast<int>(candidates.size()) - 1))];
  }

 private:
  static constexpr uint64_t kStream = 0xC4A05ULL << 32;
  double seconds_;
  RandomStream random_;
};
