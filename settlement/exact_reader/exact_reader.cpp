#include "settlement/exact_reader/exact_reader.h"

#include "common/sleep.h"
#include "settlement/settlement.h"
#include "settlement/settlement_cycle.h"
#include "settlement/settlement_places.h"

int collection_period = 0;

void reader(void*) {
  const SettlementPlaces places = programPlaces();
  for (;;) {
    Sleep(collection_period);
    collect(places);
    list_filled.post();
    list_settled.await();
  }
}
