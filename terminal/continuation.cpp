#include "terminal/continuation.h"

bool continuesByBalanceOrFreeTap(const CardInfo& card, const CardInfo& before, std::string_view own,
                                 std::string_view other) {
  const bool openTransferEntry =
      before.transport == other && card.transport == own && before.balance == card.balance;
  const bool freeTapAfterOther = card.fee == 0 && card.transport == other;
  return openTransferEntry || freeTapAfterOther;
}
