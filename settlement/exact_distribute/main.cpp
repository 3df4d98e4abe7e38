// The settlement program. The two variants compile this file with their own
// collection period: 180000 ms for settlement, 1000 ms for settlement_fast.
#include "settlement/settlement.h"

int main() {
  return settlementMain(SETTLEMENT_COLLECTION_PERIOD_MS);
}
