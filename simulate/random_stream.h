// A small seeded random stream whose numbers are the same on every
// platform and library (the standard distributions are not), so a seed
// plans the same day everywhere.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

class RandomStream {
 public:
  RandomStream(uint64_t seed, uint64_t stream) : state_(seed * 0x9E3779B97F4A7C15ULL ^ stream) {
    next();
  }

  // splitmix64.
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  // In [0, 1).
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

  // A whole number from `low` to `high`, both included.
  int between(int low, int high) {
    return low + static_cast<int>(next() % static_cast<uint64_t>(high - low + 1));
  }

  bool chance(double p) { return uniform() < p; }

  // Normally distributed (Box-Muller).
  double normal(double mean, double deviation) {
    const double u = 1.0 - uniform();  // (0, 1]
    const double v = uniform();
    return mean + deviation * std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * std::numbers::pi * v);
  }

  // Exponentially distributed with this mean.
  double exponential(double mean) { return -mean * std::log(1.0 - uniform()); }

 private:
  uint64_t state_;
};
