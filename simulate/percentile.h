// The spread of the taps' lag against their plan (minutes from a tap's
// planned time to its stamp), as the report gives it. Lags are counted by
// value, so a day of millions of taps keeps a few counters.
#pragma once

#include <cstddef>
#include <map>
#include <vector>

struct LagSummary {
  long long count = 0;
  int p50 = 0;
  int p99 = 0;
  int max = 0;
};

class LagCounts {
 public:
  void add(int lag);
  // The value at or below which a share `q` (0 to 1) of the lags lie: the
  // nearest rank, ceil(q * n)-th smallest. 0 for no lags.
  int percentile(double q) const;
  LagSummary summary() const;

 private:
  // The usual lags, 0 up, are counted in a row; any other apart.
  static constexpr size_t kCountedApart = 4096;
  std::map<int, long long> all() const;

  std::vector<long long> low_;
  std::map<int, long long> counts_;
  long long count_ = 0;
};

// The same over `values`.
int percentile(const std::vector<int>& values, double q);
LagSummary summarizeLags(const std::vector<int>& values);
