#include "bus/bus_filewriter.h"

#include "terminal/continuation.h"

namespace bus {

bool busContinues(const FareFacts& facts, const CardInfo& charged) {
  return continuesByBalanceOrFreeTap(facts, charged, kBusOperator, kMetroOperator);
}

}  // namespace bus
