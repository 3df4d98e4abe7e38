#include "bus/bus_filewriter.h"

#include "terminal/card_record.h"
#include "terminal/continuation.h"

int bus_count = 0;

bool busContinues(const CardInfo& card, const CardInfo& before, int) {
  return continuesByBalanceOrFreeTap(card, before, kBusTransport, kMetroTransport);
}
