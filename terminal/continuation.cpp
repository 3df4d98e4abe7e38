#include "terminal/continuation.h"

bool continuesByBalanceOrFreeTap(const FareFacts& facts, const CardInfo& charged,
                                 std::string_view own, std::string_view other) {
  const bool openTransferEntry = facts.before().transport == other && charged.transport == own &&
                                 facts.beforeHad(charged.balance);
  const bool freeTapAfterOther = charged.fee == 0 && charged.transport == other;
  return openTransferEntry || freeTapAfterOther;
}
