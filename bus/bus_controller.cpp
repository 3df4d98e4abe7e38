#include "bus/bus_controller.h"

#include <algorithm>

#include "terminal/clock_reader.h"
#include "terminal/fee_charge.h"
#include "terminal/terminal.h"

TerminalClock btime;

int busTransferExitFee(int lag) {
  const int periods = lag / kBusTransferPeriodMinutes;
  return std::clamp(periods, 0, kBusTransferFareCap / kBusTransferFarePerPeriod) *
         kBusTransferFarePerPeriod;
}

FeeFunction Standard_Fee_Controller(int tapInout) {
  return tapInout == 1 ? FeeFunction::StandardIn : FeeFunction::StandardOut;
}

FeeFunction decideBusFare(const CardInfo& card, const CardInfo& before, int lag) {
  return decideFare(card, before, lag, kBusTransferRule, Standard_Fee_Controller(card.tap_inout));
}

void Standard_Fee_in() {
  chargeTap(kBusStandardFareIn, ChargeKind::Unguarded);
}
void Standard_Fee_out() {
  chargeTap(0, ChargeKind::Free);
}
void Transfer_Fee_in() {
  chargeTap(0, ChargeKind::Free);
}
void Transfer_Fee_out() {
  chargeTap(busTransferExitFee(timeLag(cinfo.time)), ChargeKind::Guarded);
}
void Transfer_NonCalculate_Fee_in() {
  chargeTap(kBusTransferReentryFareIn, ChargeKind::Unguarded);
}

namespace {

// The bus has no re-entry fee and no distance surcharge.
const FeeFunctions kBusFeeFunctions{
    .standardIn = Standard_Fee_in,
    .standardOut = Standard_Fee_out,
    .transferIn = Transfer_Fee_in,
    .transferOut = Transfer_Fee_out,
    .transferNonCalculateIn = Transfer_NonCalculate_Fee_in,
};

void applyBusFareRules() {
  runFeeFunction(decideBusFare(cinfo, ocinfo, timeLag(cinfo.time)), kBusFeeFunctions);
}

}  // namespace

void Calculate_Controller(void*) {
  serveTaps(applyBusFareRules);
}
