// The bus terminal's fare rules: its clock, the transfer exit fee by time,
// the standard rules, the whole fare decision as a plain function, and the
// fee functions and fare controller thread that apply it to cinfo.
#pragma once

#include "terminal/card_info.h"
#include "terminal/card_record.h"
#include "terminal/fare_rules.h"
#include "terminal/time_info.h"

extern TerminalClock btime;

inline constexpr int kBusStandardFareIn = 1050;
inline constexpr int kBusTransferReentryFareIn = 1750;
inline constexpr int kBusTransferFarePerPeriod = 100;
inline constexpr int kBusTransferPeriodMinutes = 240;
inline constexpr int kBusTransferFareCap = 700;
inline constexpr TransferRule kBusTransferRule{kBusTransport, kMetroTransport, 700};

// The transfer exit fee for a lag in minutes: 100 for every whole 240
// minutes, at most 700 (so 700 for a last record long ago). Never negative.
int busTransferExitFee(int lag);

// The standard rules: entry or exit, whatever came before.
FeeFunction Standard_Fee_Controller(int tapInout);

// The bus decision from the last record (with the tap's direction), the
// record before it and the lag since the last record.
FeeFunction decideBusFare(const CardInfo& card, const CardInfo& before, int lag);

void Standard_Fee_in();
void Standard_Fee_out();
void Transfer_Fee_in();
void Transfer_Fee_out();
void Transfer_NonCalculate_Fee_in();

void Calculate_Controller(void*);
