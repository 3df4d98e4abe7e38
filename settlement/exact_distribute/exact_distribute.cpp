#include "settlement/exact_distribute/exact_distribute.h"

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
