#include "metro/Metro_controller.h"

#include <climits>

#include "terminal/clock_reader.h"
#include "terminal/fee_charge.h"
#include "terminal/terminal.h"

int identifier = 0;
TerminalClock mtime;

std::optional<int> stationNumber(std::string_view argument) {
  if (argument.size() != 1 || argument[0] < '0' || argument[0] >= '0' + kMetroStations) {
    return std::nullopt;
  }
  return argument[0] - '0';
}

int distanceClass(std::string_view journeyId, int station) {
  const char first = journeyId.empty() ? '\0' : journeyId.front();
  const long long start = first >= '0' && first <= '9' ? first - '0' : 0;
  long long d = start - station;
  if (d < 0) d = -d;
  if (d == 3) return 2;
  if (d == 4) return 1;
  if (d == 5 || d == 6) return 0;
  return d > INT_MAX ? INT_MAX : static_cast<int>(d);
}

FeeFunction Standard_Fee_Controller(int lastInout, int tapInout, int distanceClass) {
  if (tapInout == 1 && lastInout == 1) return FeeFunction::NonCalculateIn;
  if (tapInout == 1) return FeeFunction::StandardIn;
  if (distanceClass <= 1) return FeeFunction::StandardOut;
  if (distanceClass == 2) return FeeFunction::AdditionalOut;
  return FeeFunction::Nothing;
}

FeeFunction decideMetroFare(const CardInfo& card, const CardInfo& before, int lag,
                            int distanceClass) {
  return decideFare(card, before, lag, kMetroTransferRule,
                    Standard_Fee_Controller(card.inout, card.tap_inout, distanceClass));
}

int distance() {
  return distanceClass(cinfo.journey_id, identifier);
}

void Standard_Fee_in() {
  chargeTap(kMetroStandardFareIn, ChargeKind::Guarded);
}
void NonCalculate_Fee_in() {
  chargeTap(kMetroReentryFareIn, ChargeKind::Guarded);
}
void Standard_Fee_out() {
  chargeTap(0, ChargeKind::Free);
}
void Additional_Fee_out() {
  chargeTap(kMetroAdditionalFareOut, ChargeKind::Guarded);
}
void Transfer_Fee_in() {
  chargeTap(0, ChargeKind::Free);
}
void Transfer_Fee_out() {
  chargeTap(static_cast<long long>(kMetroTransferFarePerClass) * distance(), ChargeKind::Guarded);
}
void Transfer_NonCalculate_Fee_in() {
  chargeTap(kMetroTransferReentryFareIn, ChargeKind::Unguarded);
}

namespace {

const FeeFunctions kMetroFeeFunctions{
    .standardIn = Standard_Fee_in,
    .nonCalculateIn = NonCalculate_Fee_in,
    .standardOut = Standard_Fee_out,
    .additionalOut = Additional_Fee_out,
    .transferIn = Transfer_Fee_in,
    .transferOut = Transfer_Fee_out,
    .transferNonCalculateIn = Transfer_NonCalculate_Fee_in,
};

void applyMetroFareRules() {
  runFeeFunction(decideMetroFare(cinfo, ocinfo, timeLag(cinfo.time), distance()),
                 kMetroFeeFunctions);
}

}  // namespace

void Calculate_Controller(void*) {
  serveTaps(applyMetroFareRules);
}
