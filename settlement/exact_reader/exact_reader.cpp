#include "settlement/exact_reader/exact_reader.h"

#include <string>
#include <vector>

#include "common/console.h"
#include "common/sleep.h"
#include "settlement/exact_reader/log_collection.h"
#include "settlement/list/list.h"
#include "settlement/settlement.h"

int collection_period = 0;

namespace {

// The collector's memory between collections, and the hand-over files the
// block in hand covers. Only the settlement loop touches them, one side of
// its hand-off at a time.
LogCollection collection;
std::vector<HandOverFile> collected_hand_overs;

void reportProblem(const std::string& line) {
  errorWrite(line);
}

}  // namespace

SettlementPlaces programPlaces() {
  return {"..", "archive"};
}

void collectLogs(const SettlementPlaces& places) {
  collected_hand_overs = collection.collect(
      places.root, [](std::string_view line) { addNode(line); }, reportProblem);
}

void archiveCollected(const SettlementPlaces& places) {
  collection.settle(collected_hand_overs, places.archive, reportProblem);
  collected_hand_overs.clear();
}

void reader(void*) {
  const SettlementPlaces places = programPlaces();
  for (;;) {
    Sleep(collection_period);
    collectLogs(places);
    list_filled.post();
    list_settled.await();
    archiveCollected(places);
  }
}
