#include "tests/support/reference/trip_line.h"

#include "common/formats/trip_log_reading.h"

std::unique_ptr<TripNode> parseTripLine(std::string_view line) {
  const std::optional<TripRecord> record = parseTripRecord(line);
  if (!record) return nullptr;
  auto node = std::make_unique<TripNode>();
  node->time_key = record->time_key;
  node->transport = record->transport;
  node->inout = record->inout;
  node->fee = record->fee;
  node->journey_id = record->journey_id;
  return node;
}
