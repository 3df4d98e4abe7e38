#include "settlement/list/list.h"

#include "common/console.h"
#include "settlement/list/trip_line.h"
#include "settlement/settlement_constants.h"

TripList& tripList() {
  static TripList list;
  return list;
}

TripNode* header = tripList().head();
TripNode* tailer = tripList().tail();

TripNode* addNode(std::string_view line, bool fresh) {
  std::unique_ptr<TripNode> node = parseTripLine(line);
  if (!node) return nullptr;
  node->fresh = fresh;
  return tripList().insert(std::move(node));
}

std::unique_ptr<TripNode> deleteNode(TripNode* node) {
  return tripList().remove(node);
}

void deleteAll() {
  tripList().clear();
}

void print() {
  int position = 0;
  for (const TripNode* node = header->next; node != tailer; node = node->next) {
    consolePrintf(kListLineFormat, ++position, node->time_key);
  }
}
