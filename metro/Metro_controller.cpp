#include "metro/Metro_controller.h"

#include <climits>
#include <string>

#include "metro/Metro_filewriter.h"
#include "metro/Metro_parsing.h"
#include "terminal/terminal.h"

namespace metro {

std::optional<int> stationNumber(std::string_view argument) {
  if (argument.size() != 1 || argument[0] < '0' || argument[0] >= '0' + kMetroStations) {
    return std::nullopt;
  }
  return argument[0] - '0';
}

int distanceClass(std::string_view journeyId, int station) {
  long long d = static_cast<long long>(journeyOriginNumber(journeyId)) - station;
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

FeeFunction decideMetroFare(const FareFacts& facts) {
  const CardInfo& last = facts.last();
  return decideFare(facts, kTransferRule,
                    Standard_Fee_Controller(last.inout, last.tap_inout,
                                            distanceClass(last.journey_id, facts.station)));
}

FeeCharge Standard_Fee_in() {
  return {kStandardFareIn, ChargeKind::Guarded};
}
FeeCharge NonCalculate_Fee_in() {
  return {kReentryFareIn, ChargeKind::Guarded};
}
FeeCharge Standard_Fee_out() {
  return {0, ChargeKind::Free};
}
FeeCharge Additional_Fee_out() {
  return {kAdditionalFareOut, ChargeKind::Guarded};
}
FeeCharge Transfer_Fee_in() {
  return {0, ChargeKind::Free};
}
FeeCharge Transfer_Fee_out(int distanceClass) {
  return {static_cast<long long>(kTransferFarePerClass) * distanceClass, ChargeKind::Guarded};
}
FeeCharge Transfer_NonCalculate_Fee_in() {
  return {kTransferReentryFareIn, ChargeKind::Unguarded};
}

FeeCharge metroFee(FeeFunction function, const FareFacts& facts) {
  switch (function) {
    case FeeFunction::StandardIn:
      return Standard_Fee_in();
    case FeeFunction::NonCalculateIn:
      return NonCalculate_Fee_in();
    case FeeFunction::StandardOut:
      return Standard_Fee_out();
    case FeeFunction::AdditionalOut:
      return Additional_Fee_out();
    case FeeFunction::TransferIn:
      return Transfer_Fee_in();
    case FeeFunction::TransferOut:
      return Transfer_Fee_out(distanceClass(facts.last().journey_id, facts.station));
    case FeeFunction::TransferNonCalculateIn:
      return Transfer_NonCalculate_Fee_in();
    case FeeFunction::Refuse:
    case FeeFunction::Nothing:
      break;
  }
  return {};
}

FeeCharge standardExitFee(int beganAt, int station) {
  // A journey begun at `beganAt` carries a journey id that begins with it.
  const std::string beganId = std::to_string(beganAt);
  const CardRecords none;
  const FareFacts facts{none, 0, station};
  return metroFee(Standard_Fee_Controller(1, 0, distanceClass(beganId, station)), facts);
}

TerminalRules rules(int station) {
  return {.transport = kMetroTransport,
          .defaultRecord = kMetroDefaultRecord,
          .identifierDigits = std::to_string(station),
          .station = station,
          .displaysBeforeConfirming = false,
          .controller = decideMetroFare,
          .fee = metroFee,
          .cardContinues = metroCardContinues,
          .tripLogContinues = metroTripLogContinues};
}

void Calculate_Controller(Terminal& terminal) {
  serveTaps(terminal);
}

}  // namespace metro
