#include "settlement/list/trip_line.h"

#include "common/record_format.h"
#include "common/text.h"
#include "settlement/list/transport.h"

namespace {
constexpr size_t kYearLength = 4;
}  // namespace

std::unique_ptr<TripNode> parseTripLine(std::string_view line) {
  if (line.size() < kYearLength) return nullptr;
  // The year is skipped before the split, so the time column is MMDDhhmm.
  const std::optional<RecordColumns> columns = splitRecord(line.substr(kYearLength));
  if (!columns || !namesAnOperator(columns->transport)) return nullptr;
  auto node = std::make_unique<TripNode>();
  node->time_key = readInt(columns->time);
  node->transport = columns->transport;
  node->inout = isEntry(columns->direction) ? 1 : 0;
  node->fee = recordAmount(columns->amount);
  node->journey_id = columns->journeyId;
  return node;
}
