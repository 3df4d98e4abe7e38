#include "terminal/fee_charge.h"

#include "common/console.h"
#include "terminal/card_lookup.h"
#include "terminal/console_texts.h"
#include "terminal/record_writer.h"
#include "terminal/tap_display.h"
#include "terminal/terminal.h"

namespace {

void call(void (*function)()) {
  if (function != nullptr) function();
}

}  // namespace

void runFeeFunction(FeeFunction fee, const FeeFunctions& functions) {
  switch (fee) {
    case FeeFunction::Refuse:
      Lack_Money();
      break;
    case FeeFunction::Nothing:
      break;
    case FeeFunction::StandardIn:
      call(functions.standardIn);
      break;
    case FeeFunction::NonCalculateIn:
      call(functions.nonCalculateIn);
      break;
    case FeeFunction::StandardOut:
      call(functions.standardOut);
      break;
    case FeeFunction::AdditionalOut:
      call(functions.additionalOut);
      break;
    case FeeFunction::TransferIn:
      call(functions.transferIn);
      break;
    case FeeFunction::TransferOut:
      call(functions.transferOut);
      break;
    case FeeFunction::TransferNonCalculateIn:
      call(functions.transferNonCalculateIn);
      break;
  }
}

void chargeTap(long long amount, ChargeKind kind) {
  const std::optional<int> balance = balanceAfterCharge(cinfo.balance, amount, kind);
  if (!balance) {
    Lack_Money();
    return;
  }
  cinfo.balance = *balance;
  cinfo.fee = kind == ChargeKind::Free ? 0 : static_cast<int>(amount);
  // Nothing is shown until both records are written and the card released
  // (recordTap does both): a tap that cannot be recorded is reported and not
  // charged.
  if (!recordTap(tap_time)) return;
  const bool displayFirst = terminal().displaysBeforeConfirming;
  if (displayFirst) display(1);
  consoleWrite(kCardfileWriteText);
  consoleWrite(kReadefileWriteText);
  if (!displayFirst) display(1);
}

void Lack_Money() {
  releaseCard();
  display(0);
}
