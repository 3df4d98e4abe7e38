#include "settlement/settlement_cycle.h"

#include "settlement/exact_distribute/exact_distribute.h"

void settlementCycle(const SettlementPlaces& places) {
  collectLogs(places);
  distributeCollected();
  archiveCollected(places);
}
