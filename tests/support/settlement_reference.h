// A settlement cycle worked out the plain way, to hold the real one to: the
// reads of the collected files, in collection order, inserted one by one
// into a linked TripList, which is then distributed node by node by the
// reference filters (distribution.h) for the block, and its fresh records
// alone for the statement. Header only: the tests and the fuzz targets
// both use it.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/formats/statement.h"
#include "common/formats/trip_log_reading.h"
#include "settlement/exact_display/exact_display.h"
#include "tests/support/reference/distribution.h"
#include "tests/support/reference/trip_line.h"
#include "tests/support/reference/trip_list.h"

// One collected file: what it holds, where the cycle reads it from, and
// where its fresh reads begin.
struct ReferenceFile {
  std::string content;
  off_t from = 0;
  off_t freshFrom = 0;
};

struct ReferenceCycle {
  Totals block = {0, 0};
  FreshTotals fresh;

  std::string blockText() const { return resultBlock(block); }
  std::string statementLine(long long cycle, const std::string& clock) const {
    return formatStatementLine({cycle, clock, fresh.records, fresh.fees, fresh.shares});
  }
};

// Where the complete reads of `content` end.
inline off_t completeReadsEnd(std::string_view content) {
  off_t end = 0;
  for (const std::string_view read : completeLogLines(content))
    end += static_cast<off_t>(read.size());
  return end;
}

inline ReferenceCycle referenceCycle(const std::vector<ReferenceFile>& files) {
  TripList list;
  for (const ReferenceFile& file : files) {
    off_t at = file.from;
    for (const std::string_view read :
         completeLogLines(std::string_view(file.content).substr(static_cast<size_t>(file.from)))) {
      if (std::unique_ptr<TripNode> node = parseTripLine(read)) {
        node->fresh = at >= file.freshFrom;
        list.insert(std::move(node));
      }
      at += static_cast<off_t>(read.size());
    }
  }
  ReferenceCycle cycle;
  cycle.fresh = distributeFresh(list);
  settleJourneys(list, cycle.block);
  addFeesOf(list, kBusTransport, kBusOperator, cycle.block);
  addFeesOf(list, kMetroTransport, kMetroOperator, cycle.block);
  return cycle;
}
