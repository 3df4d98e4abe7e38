// The metro terminal's fare rules, in one place: the fares, the distance
// class between the station where a journey began and this one, the
// standard rules, Calculate_Controller's table, the fee functions, and the
// rules value (metro::rules) that gathers them with the metro's writers'
// continuation tests (Metro_filewriter.h) and default record
// (Metro_parsing.h). All of it is plain functions of their arguments but
// Calculate_Controller, the thread that serves the taps.
#pragma once

#include <optional>
#include <string_view>

#include "terminal/fare_rules.h"
#include "terminal/terminal_rules.h"

struct Terminal;

namespace metro {

inline constexpr int kStandardFareIn = 1050;
inline constexpr int kReentryFareIn = 1250;
inline constexpr int kAdditionalFareOut = 200;
inline constexpr int kTransferFarePerClass = 300;
inline constexpr int kTransferReentryFareIn = 600;
inline constexpr TransferRule kTransferRule{kMetroOperator, kBusOperator, 600};

// The station number of a command line argument: exactly one digit from 0
// to 4, the stations whose trip logs the settlement collects.
std::optional<int> stationNumber(std::string_view argument);

// The distance class from the station where the journey began
// (journeyOriginNumber, common/formats/record_format.h) to `station`: differences 3
// and 4 count as 2 and 1, 5 and 6 as 0, the others as they are.
int distanceClass(std::string_view journeyId, int station);

// The standard rules: entry after an open entry, entry, exit within class
// 1, exit at class 2, and no rule (Nothing) for any other class.
FeeFunction Standard_Fee_Controller(int lastInout, int tapInout, int distanceClass);

// Calculate_Controller's table: the shared refusal and transfer rows with
// the metro's minimum for an open bus entry, then the standard rules.
FeeFunction decideMetroFare(const FareFacts& facts);

// The fee functions: what each charges.
FeeCharge Standard_Fee_in();
FeeCharge NonCalculate_Fee_in();
FeeCharge Standard_Fee_out();
FeeCharge Additional_Fee_out();
FeeCharge Transfer_Fee_in();
FeeCharge Transfer_Fee_out(int distanceClass);
FeeCharge Transfer_NonCalculate_Fee_in();

// What the fee function `function` charges the tap of `facts`.
FeeCharge metroFee(FeeFunction function, const FareFacts& facts);

// What the standard rules charge an exit at `station` of a journey begun
// at station `beganAt`: the surcharge of a ride inside the metro alone.
FeeCharge standardExitFee(int beganAt, int station);

// The metro terminal of `station`.
TerminalRules rules(int station);

// The fare controller thread: serves the taps of `terminal` by its rules.
void Calculate_Controller(Terminal& terminal);

}  // namespace metro
