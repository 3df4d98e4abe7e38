// Arbitrary bytes as a trip log. Every line the collector takes gives the
// record that a plain reading of its comma-separated fields gives, and only
// a record whose transport names an operator; the records, inserted into a
// trip list, stand linked in time order. Read as the cycle reads them
// (whole reads at once, a terminal's line in one scan), the same reads give
// the same flat records.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/base/text.h"
#include "common/formats/trip_log_reading.h"
#include "settlement/list/flat_trip_list.h"
#include "tests/support/reference/trip_line.h"
#include "tests/support/reference/trip_list.h"

namespace {

void check(bool condition) {
  if (!condition) abort();
}

// The non-empty pieces between commas.
std::vector<std::string_view> fieldsOf(std::string_view text) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    if (comma > start) fields.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  TripList list;
  size_t records = 0;
  for (const std::string_view line : completeLogLines(content)) {
    check(line.size() <= kLogReadMax);
    const std::unique_ptr<TripNode> node = parseTripLine(line);
    const auto fields =
        line.size() < 4 ? std::vector<std::string_view>{} : fieldsOf(line.substr(4));
    const bool record = fields.size() >= 5 && operatorOf(fields[1]).has_value();
    check((node != nullptr) == record);
    if (!node) continue;
    check(node->time_key == readInt(fields[0]));
    check(node->transport == fields[1]);
    check(node->inout == (fields[2].substr(0, 2) == "IN" ? 1 : 0));
    check(node->fee == readInt(fields[3]));
    check(node->journey_id == fields[4]);
    check(node->next == nullptr && node->prev == nullptr);
    list.insert(std::make_unique<TripNode>(*node));
    ++records;
  }
  check(list.size() == records);
  size_t linked = 0;
  for (const TripNode* node = list.head()->next; node != list.tail(); node = node->next) {
    check(node->prev->next == node);
    check(node->prev == list.head() || node->prev->time_key <= node->time_key);
    ++linked;
  }
  check(linked == records);

  // The first half fresh, the rest not: freshness goes by each read's offset.
  const std::vector<std::string_view> reads = completeLogLines(content);
  size_t whole = 0;
  for (const std::string_view read : reads) whole += read.size();
  const off_t freshFrom = static_cast<off_t>(content.size() / 2);
  FileRecords file;
  file.addReads(content.substr(0, whole), 0, freshFrom);
  std::string spill;
  size_t at = 0;
  size_t index = 0;
  for (const std::string_view read : reads) {
    if (const auto record = parseTripRecord(read)) {
      const FlatRecord expected = flatRecord(*record, static_cast<off_t>(at) >= freshFrom, spill);
      check(index < file.records().size());
      const FlatRecord& got = file.records()[index++];
      check(got.time_key == expected.time_key && got.fee == expected.fee);
      check((got.word & FlatRecord::kNotId) == (expected.word & FlatRecord::kNotId));
      check(journeyIdText({got.word, file.spill().data()}) ==
            journeyIdText({expected.word, spill.data()}));
    }
    at += read.size();
  }
  check(index == file.records().size());
  return 0;
}
