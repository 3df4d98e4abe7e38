// The spread of the taps' lag against their plan (minutes from a tap's
// planned time to its stamp), as the report gives it.
#pragma once

#include <vector>

struct LagSummary {
  long long count = 0;
  int p50 = 0;
  int p99 = 0;
  int max = 0;
};

// The value at or below which a share `q` (0 to 1) of `values` lie: the
// nearest rank, ceil(q * n)-th smallest. 0 for no values. Sorts `values`.
int percentile(std::vector<int>& values, double q);

// p50, p99 and max of `values` (sorted on return).
LagSummary summarizeLags(std::vector<int>& values);
