#include "simulate/percentile.h"

#include <algorithm>
#include <cmath>

int percentile(std::vector<int>& values, double q) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const double rank = std::ceil(q * static_cast<double>(values.size()));
  const size_t index =
      static_cast<size_t>(std::clamp(rank, 1.0, static_cast<double>(values.size())));
  return values[index - 1];
}

LagSummary summarizeLags(std::vector<int>& values) {
  LagSummary summary;
  summary.count = static_cast<long long>(values.size());
  if (values.empty()) return summary;
  summary.p50 = percentile(values, 0.50);
  summary.p99 = percentile(values, 0.99);
  summary.max = values.back();
  return summary;
}
