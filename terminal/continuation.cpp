#include "terminal/continuation.h"

bool continuesByBalanceOrFreeTap(const FareFacts& facts, const CardInfo& charged, Operator own,
                                 Operator other) {
  const std::optional<Operator> last = exactOperatorOf(charged.transport);
  const bool openTransferEntry = exactOperatorOf(facts.before().transport) == other &&
                                 last == own && facts.beforeHad(charged.balance);
  const bool freeTapAfterOther = charged.fee == 0 && last == other;
  return openTransferEntry || freeTapAfterOther;
}
