#include "metro/Metro_filewriter.h"

#include "terminal/continuation.h"

namespace metro {

bool metroCardContinues(const FareFacts& facts, const CardInfo& charged) {
  const std::optional<Operator> last = exactOperatorOf(charged.transport);
  const bool fromBus = last == kBusOperator;
  const bool freeAfterTransferEntry = exactOperatorOf(facts.before().transport) == kBusOperator &&
                                      last == kMetroOperator && charged.inout == 1 &&
                                      charged.fee == 0;
  return (fromBus && facts.lag <= kTransferWindowMinutes) || (fromBus && charged.inout == 1) ||
         freeAfterTransferEntry;
}

bool metroTripLogContinues(const FareFacts& facts, const CardInfo& charged) {
  return continuesByBalanceOrFreeTap(facts, charged, kMetroOperator, kBusOperator);
}

}  // namespace metro
