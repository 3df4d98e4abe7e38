#include "simulate/percentile.h"

#include <algorithm>
#include <cmath>

namespace {

LagCounts countsOf(const std::vector<int>& values) {
  LagCounts counts;
  for (const int value : values) counts.add(value);
  return counts;
}

}  // namespace

int LagCounts::percentile(double q) const {
  if (count_ == 0) return 0;
  const double rank = std::ceil(q * static_cast<double>(count_));
  const long long wanted =
      static_cast<long long>(std::clamp(rank, 1.0, static_cast<double>(count_)));
  long long seen = 0;
  for (const auto& [value, count] : counts_) {
    seen += count;
    if (seen >= wanted) return value;
  }
  return counts_.rbegin()->first;
}

LagSummary LagCounts::summary() const {
  LagSummary summary;
  summary.count = count_;
  if (count_ == 0) return summary;
  summary.p50 = percentile(0.50);
  summary.p99 = percentile(0.99);
  summary.max = counts_.rbegin()->first;
  return summary;
}

int percentile(const std::vector<int>& values, double q) {
  return countsOf(values).percentile(q);
}

LagSummary summarizeLags(const std::vector<int>& values) {
  return countsOf(values).summary();
}
