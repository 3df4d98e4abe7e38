#include "metro/Metro_filewriter.h"

#include "terminal/continuation.h"

namespace metro {

int metro_count = 0;

bool metroCardContinues(const FareFacts& facts, const CardInfo& charged) {
  const bool fromBus = charged.transport == kBusTransport;
  const bool freeAfterTransferEntry = facts.before().transport == kBusTransport &&
                                      charged.transport == kMetroTransport && charged.inout == 1 &&
                                      charged.fee == 0;
  return (fromBus && facts.lag <= kTransferWindowMinutes) || (fromBus && charged.inout == 1) ||
         freeAfterTransferEntry;
}

bool metroTripLogContinues(const FareFacts& facts, const CardInfo& charged) {
  return continuesByBalanceOrFreeTap(facts, charged, kMetroTransport, kBusTransport);
}

}  // namespace metro
