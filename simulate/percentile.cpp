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

void LagCounts::add(int lag) {
  if (lag >= 0 && static_cast<size_t>(lag) < kCountedApart) {
    if (static_cast<size_t>(lag) >= low_.size()) low_.resize(static_cast<size_t>(lag) + 1);
    ++low_[static_cast<size_t>(lag)];
  } else {
    ++counts_[lag];
  }
  ++count_;
}

std::map<int, long long> LagCounts::all() const {
  std::map<int, long long> all = counts_;
  for (size_t lag = 0; lag < low_.size(); ++lag) {
    if (low_[lag] > 0) all[static_cast<int>(lag)] += low_[lag];
  }
  return all;
}

int LagCounts::percentile(double q) const {
  if (count_ == 0) return 0;
  const std::map<int, long long> counts = all();
  const double rank = std::ceil(q * static_cast<double>(count_));
  const long long wanted =
      static_cast<long long>(std::clamp(rank, 1.0, static_cast<double>(count_)));
  long long seen = 0;
  for (const auto& [value, count] : counts) {
    seen += count;
    if (seen >= wanted) return value;
  }
  return counts.rbegin()->first;
}

LagSummary LagCounts::summary() const {
  LagSummary summary;
  summary.count = count_;
  if (count_ == 0) return summary;
  summary.p50 = percentile(0.50);
  summary.p99 = percentile(0.99);
  summary.max = all().rbegin()->first;
  return summary;
}

int percentile(const std::vector<int>& values, double q) {
  return countsOf(values).percentile(q);
}

LagSummary summarizeLags(const std::vector<int>& values) {
  return countsOf(values).summary();
}
