// Arbitrary bytes as the six trip logs of one settlement cycle (split at
// each 0xFF byte). The cycle collects their complete lines into the trip
// list, which stays in time order, then apportions the journeys and counts
// the other fees: BUS + METRO is exactly the sum of the fees of the records
// it collected (totals wrap at 64 bits, so the sum is taken the same way).
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "settlement/exact_distribute/distribution.h"
#include "settlement/exact_reader/log_lines.h"
#include "settlement/list/trip_line.h"
#include "settlement/list/trip_list.h"
#include "settlement/settlement_constants.h"

namespace {

void check(bool condition) {
  if (!condition) abort();
}

constexpr char kLogSeparator = '\xff';

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> logs;
  while (logs.size() + 1 < filename.size()) {
    const size_t end = input.find(kLogSeparator);
    if (end == std::string_view::npos) break;
    logs.push_back(input.substr(0, end));
    input.remove_prefix(end + 1);
  }
  logs.push_back(input);

  TripList list;
  uint64_t fees = 0;
  size_t records = 0;
  for (const std::string_view log : logs) {
    for (const std::string_view line : completeLogLines(log)) {
      std::unique_ptr<TripNode> node = parseTripLine(line);
      if (!node) continue;
      fees += static_cast<uint64_t>(static_cast<int64_t>(node->fee));
      ++records;
      list.insert(std::move(node));
    }
  }
  check(list.size() == records);
  size_t linked = 0;
  for (const TripNode* node = list.head()->next; node != list.tail(); node = node->next) {
    check(node->prev->next == node);
    check(node->prev == list.head() || node->prev->time_key <= node->time_key);
    ++linked;
  }
  check(linked == records);

  Totals totals{0, 0};
  settleJourneys(list, totals);
  addFeesOf(list, kBusTransport, kBusOperator, totals);
  addFeesOf(list, kMetroTransport, kMetroOperator, totals);
  const uint64_t settled =
      static_cast<uint64_t>(totals[kBusOperator]) + static_cast<uint64_t>(totals[kMetroOperator]);
  check(settled == fees);
  return 0;
}
