#include "settlement/exact_distribute/exact_distribute.h"

#include "settlement/exact_display/exact_display.h"
#include "settlement/exact_distribute/distribution.h"
#include "settlement/list/list.h"
#include "settlement/settlement.h"
#include "settlement/settlement_constants.h"

void transferfilter() {
  result = {0, 0};
  settleJourneys(tripList(), result);
}

void busfilter() {
  addFeesOf(tripList(), kBusTransport, kBusOperator, result);
}

void metrofilter() {
  addFeesOf(tripList(), kMetroTransport, kMetroOperator, result);
  display_controller(1);
  deleteAll();
}

void distributeCollected() {
  transferfilter();
  busfilter();
  metrofilter();
}

void distribute_Controller(void*) {
  for (;;) {
    list_filled.await();
    distributeCollected();
    list_settled.post();
  }
}
