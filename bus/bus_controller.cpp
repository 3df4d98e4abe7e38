#include "bus/bus_controller.h"

#include <algorithm>
#include <string>

#include "bus/bus_filewriter.h"
#include "bus/bus_parsing.h"
#include "terminal/terminal.h"

namespace bus {

int busTransferExitFee(int lag) {
  const int periods = lag / kTransferPeriodMinutes;
  return std::clamp(periods, 0, kTransferFareCap / kTransferFarePerPeriod) * kTransferFarePerPeriod;
}

FeeFunction Standard_Fee_Controller(int tapInout) {
  return tapInout == 1 ? FeeFunction::StandardIn : FeeFunction::StandardOut;
}

FeeFunction decideBusFare(const FareFacts& facts) {
  return decideFare(facts, kTransferRule, Standard_Fee_Controller(facts.last().tap_inout));
}

FeeCharge Standard_Fee_in() {
  return {kStandardFareIn, ChargeKind::Unguarded};
}
FeeCharge Standard_Fee_out() {
  return {0, ChargeKind::Free};
}
FeeCharge Transfer_Fee_in() {
  return {0, ChargeKind::Free};
}
FeeCharge Transfer_Fee_out(int lag) {
  return {busTransferExitFee(lag), ChargeKind::Guarded};
}
FeeCharge Transfer_NonCalculate_Fee_in() {
  return {kTransferReentryFareIn, ChargeKind::Unguarded};
}

FeeCharge busFee(FeeFunction function, const FareFacts& facts) {
  switch (function) {
    case FeeFunction::StandardIn:
      return Standard_Fee_in();
    case FeeFunction::StandardOut:
      return Standard_Fee_out();
    case FeeFunction::TransferIn:
      return Transfer_Fee_in();
    case FeeFunction::TransferOut:
      return Transfer_Fee_out(facts.lag);
    case FeeFunction::TransferNonCalculateIn:
      return Transfer_NonCalculate_Fee_in();
    case FeeFunction::NonCalculateIn:
    case FeeFunction::AdditionalOut:
    case FeeFunction::Refuse:
    case FeeFunction::Nothing:
      break;
  }
  return {};
}

TerminalRules rules() {
  // Both writers of the bus use the one test, so its records always agree.
  return {.transport = kBusTransport,
          .defaultRecord = kBusDefaultRecord,
          .identifierDigits = std::to_string(kIdentifier),
          .station = kIdentifier,
          .displaysBeforeConfirming = true,
          .controller = decideBusFare,
          .fee = busFee,
          .cardContinues = busContinues,
          .tripLogContinues = busContinues};
}

void Calculate_Controller(Terminal& terminal) {
  serveTaps(terminal);
}

}  // namespace bus
