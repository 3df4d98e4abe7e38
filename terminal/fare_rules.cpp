#include "terminal/fare_rules.h"

#include <climits>

#include "terminal/card_record.h"

FareRoute fareRoute(const CardInfo& card, const CardInfo& before, int lag,
                    const TransferRule& rule) {
  const int balance = card.balance;
  if (balance < kBusExitMinimumBalance && card.inout == 0 && card.transport == kBusTransport) {
    return FareRoute::Refuse;
  }
  if (balance < rule.openEntryMinimumBalance && card.inout == 1 && card.transport == rule.other) {
    return FareRoute::Refuse;
  }
  if (card.transport == rule.other && lag <= kTransferWindowMinutes) return FareRoute::Transfer;
  if (card.transport == rule.other && card.inout == 1) return FareRoute::Transfer;
  if (before.transport == rule.other && card.transport == rule.own && card.inout == 1 &&
      before.balance == balance) {
    return FareRoute::Transfer;
  }
  return FareRoute::Standard;
}

FeeFunction Transfer_Fee_Controller(int lastInout, int tapInout) {
  if (lastInout == 1 && tapInout == 1) return FeeFunction::TransferNonCalculateIn;
  if (tapInout == 1) return FeeFunction::TransferIn;
  return FeeFunction::TransferOut;
}

FeeFunction decideFare(const CardInfo& card, const CardInfo& before, int lag,
                       const TransferRule& rule, FeeFunction standardFee) {
  switch (fareRoute(card, before, lag, rule)) {
    case FareRoute::Refuse:
      return FeeFunction::Refuse;
    case FareRoute::Transfer:
      return Transfer_Fee_Controller(card.inout, card.tap_inout);
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
