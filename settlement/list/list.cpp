#include "settlement/list/list.h"

#include "common/console.h"
#include "settlement/list/trip_line.h"
#include "settlement/settlement_constants.h"

TripNode* header = nullptr;
TripNode* tailer = nullptr;

namespace {
std::unique_ptr<TripList> list;
}  // namespace

void createTripList() {
  list = std::make_unique<TripList>();
  header = list->head();
  tailer = list->tail();
}

TripList& tripList() {
  return *list;
}

TripNode* addNode(std::string_view line, bool fresh) {
  std::unique_ptr<TripNode> node = parseTripLine(line);
  if (!node) return nullptr;
  node->fresh = fresh;
  return list->insert(std::move(node));
}

std::unique_ptr<TripNode> deleteNode(TripNode* node) {
  return list->remove(node);
}

void deleteAll() {
  list->clear();
}

void print() {
  int position = 0;
  for (const TripNode* node = header->next; node != tailer; node = node->next) {
    consolePrintf(kListLineFormat, ++position, node->time_key);
  }
}
