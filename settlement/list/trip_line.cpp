#include "settlement/list/trip_line.h"

#include "common/text.h"
#include "settlement/list/transport.h"

namespace {
constexpr size_t kYearLength = 4;
constexpr size_t kFieldCount = 5;
}  // namespace

std::unique_ptr<TripNode> parseTripLine(std::string_view line) {
  if (line.size() < kYearLength) return nullptr;
  const auto fields = splitFields(line.substr(kYearLength), ',');
  if (fields.size() < kFieldCount || !namesAnOperator(fields[1])) return nullptr;
  auto node = std::make_unique<TripNode>();
  node->time_key = readInt(fields[0]);
  node->transport = fields[1];
  node->inout = fields[2].substr(0, 2) == "IN" ? 1 : 0;
  node->fee = readInt(fields[3]);
  node->journey_id = fields[4];
  return node;
}
