// The settlement program. The two variants compile this file with their own
// collection period: 180000 ms for settlement, 1000 ms for settlement_fast.
#include "common/console.h"
#include "settlement/settlement.h"

int main() {
  ignoreFailedWriteSignals();
  return settlementMain(SETTLEMENT_COLLECTION_PERIOD_MS);
}
