#include "settlement/exact_distribute/exact_distribute.h"

#include "settlement/exact_distribute/distribution.h"
#include "settlement/exact_reader/exact_reader.h"
#include "settlement/list/list.h"
#include "settlement/settlement.h"
#include "settlement/settlement_constants.h"
#include "settlement/settlement_cycle.h"

void transferfilter(Totals& totals) {
  settleJourneys(tripList(), totals);
}

void busfilter(Totals& totals) {
  addFeesOf(tripList(), kBusTransport, kBusOperator, totals);
}

void metrofilter(Totals& totals) {
  addFeesOf(tripList(), kMetroTransport, kMetroOperator, totals);
}

void distribute_Controller(void*) {
  const SettlementPlaces places = programPlaces();
  for (;;) {
    list_filled.await();
    settle(places);
    list_settled.post();
  }
}
