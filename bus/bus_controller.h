// The bus terminal's fare rules, in one place: the fares, the transfer
// exit fee by time, the standard rules, Calculate_Controller's table, the
// fee functions, and the rules value (bus::rules) that gathers them with
// the bus's writers' continuation test (bus_filewriter.h) and default
// record (bus_parsing.h). All of it is plain functions of their arguments
// but Calculate_Controller, the thread that serves the taps.
#pragma once

#include "terminal/fare_rules.h"
#include "terminal/terminal_rules.h"

struct Terminal;

namespace bus {

// New bus journey ids begin with this number; FareFacts::station at the bus.
inline constexpr int kIdentifier = kBusTerminalNumber;

inline constexpr int kStandardFareIn = 1050;
inline constexpr int kTransferReentryFareIn = 1750;
inline constexpr int kTransferFarePerPeriod = 100;
inline constexpr int kTransferPeriodMinutes = 240;
inline constexpr int kTransferFareCap = 700;
inline constexpr TransferRule kTransferRule{kBusOperator, kMetroOperator, 700};

// The transfer exit fee for a lag in minutes: 100 for every whole 240
// minutes, at most 700 (so 700 for a last record long ago). Never negative.
int busTransferExitFee(int lag);

// The standard rules: entry or exit, whatever came before.
FeeFunction Standard_Fee_Controller(int tapInout);

// Calculate_Controller's table: the shared refusal and transfer rows with
// the bus's minimum for an open metro entry, then the standard rules.
FeeFunction decideBusFare(const FareFacts& facts);

// The fee functions: what each charges.
FeeCharge Standard_Fee_in();
FeeCharge Standard_Fee_out();
FeeCharge Transfer_Fee_in();
FeeCharge Transfer_Fee_out(int lag);
FeeCharge Transfer_NonCalculate_Fee_in();

// What the fee function `function` charges the tap of `facts`; the bus has
// no re-entry fee and no distance surcharge.
FeeCharge busFee(FeeFunction function, const FareFacts& facts);

// The bus terminal.
TerminalRules rules();

// The fare controller thread: serves the taps of `terminal` by its rules.
void Calculate_Controller(Terminal& terminal);

}  // namespace bus
