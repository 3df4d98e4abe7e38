#include "settlement/exact_reader/exact_reader.h"

#include "common/sleep.h"
#include "common/world_layout.h"
#include "settlement/settlement.h"
#include "settlement/settlement_cycle.h"

int collection_period = 0;

SettlementPlaces programPlaces() {
  return {kProgramWorldRoot, "archive"};
}

void reader(void*) {
  const SettlementPlaces places = programPlaces();
  for (;;) {
    Sleep(collection_period);
    collect(places);
    list_filled.post();
    list_settled.await();
  }
}
