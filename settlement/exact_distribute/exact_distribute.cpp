#include "settlement/exact_distribute/exact_distribute.h"

#include "settlement/settlement.h"
#include "settlement/settlement_cycle.h"
#include "settlement/settlement_places.h"

void transferfilter(const ListDistribution& list, Totals& totals) {
  addToTotal(totals, kBusOperator, list.journeys[kBusOperator]);
  addToTotal(totals, kMetroOperator, list.journeys[kMetroOperator]);
}

void busfilter(const ListDistribution& list, Totals& totals) {
  addToTotal(totals, kBusOperator, list.remaining[kBusOperator]);
}

void metrofilter(const ListDistribution& list, Totals& totals) {
  addToTotal(totals, kMetroOperator, list.remaining[kMetroOperator]);
}

void distribute_Controller(void*) {
  const SettlementPlaces places = programPlaces();
  for (;;) {
    list_filled.await();
    settle(places);
    list_settled.post();
  }
}
