#include "metro/Metro_filewriter.h"

#include "terminal/card_record.h"
#include "terminal/continuation.h"
#include "terminal/fare_rules.h"

int metro_count = 0;

bool metroCardContinues(const CardInfo& card, const CardInfo& before, int lag) {
  const bool fromBus = card.transport == kBusTransport;
  const bool freeAfterTransferEntry = before.transport == kBusTransport &&
                                      card.transport == kMetroTransport && card.inout == 1 &&
                                      card.fee == 0;
  return (fromBus && lag <= kTransferWindowMinutes) || (fromBus && card.inout == 1) ||
         freeAfterTransferEntry;
}

bool metroTripLogContinues(const CardInfo& card, const CardInfo& before, int) {
  return continuesByBalanceOrFreeTap(card, before, kMetroTransport, kBusTransport);
}
