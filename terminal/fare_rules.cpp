#include "terminal/fare_rules.h"

#include <climits>

FareRoute fareRoute(const FareFacts& facts, const TransferRule& rule) {
  const CardInfo& card = facts.last();
  const int balance = card.balance;
  const std::optional<Operator> last = exactOperatorOf(card.transport);
  if (balance < kBusExitMinimumBalance && card.inout == 0 && last == kBusOperator) {
    return FareRoute::Refuse;
  }
  if (balance < rule.openEntryMinimumBalance && card.inout == 1 && last == rule.other) {
    return FareRoute::Refuse;
  }
  if (last == rule.other && facts.lag <= kTransferWindowMinutes) return FareRoute::Transfer;
  if (last == rule.other && card.inout == 1) return FareRoute::Transfer;
  if (exactOperatorOf(facts.before().transport) == rule.other && last == rule.own &&
      card.inout == 1 && facts.beforeHad(balance)) {
    return FareRoute::Transfer;
  }
  return FareRoute::Standard;
}

FeeFunction Transfer_Fee_Controller(int lastInout, int tapInout) {
  if (lastInout == 1 && tapInout == 1) return FeeFunction::TransferNonCalculateIn;
  if (tapInout == 1) return FeeFunction::TransferIn;
  return FeeFunction::TransferOut;
}

FeeFunction decideFare(const FareFacts& facts, const TransferRule& rule, FeeFunction standardFee) {
  switch (fareRoute(facts, rule)) {
    case FareRoute::Refuse:
      return FeeFunction::Refuse;
    case FareRoute::Transfer:
      return Transfer_Fee_Controller(facts.last().inout, facts.last().tap_inout);
    case FareRoute::Standard:
      break;
  }
  return standardFee;
}

std::optional<int> balanceAfterCharge(int balance, long long amount, ChargeKind kind) {
  if (kind == ChargeKind::Free) return balance;
  if (amount < 0 || amount > INT_MAX) return std::nullopt;
  const long long after = static_cast<long long>(balance) - amount;
  if (after < INT_MIN || after > INT_MAX) return std::nullopt;
  if (kind == ChargeKind::Guarded && after < 0) return std::nullopt;
  return static_cast<int>(after);
}
