// Carrying out a fare decision on cinfo: refusing the tap, or charging it:
// recording it in the card file and the trip log, then confirming both and
// showing fee and balance in the order of the terminal (the metro shows
// them after the confirmations, the bus before). Each terminal's fee functions (Standard_Fee_in,
// Transfer_Fee_out, ...) are one chargeTap call with their amount and kind.
#pragma once

#include "terminal/fare_rules.h"

// The fee functions of one terminal; a terminal that lacks one leaves it
// null, and a decision never names it there.
struct FeeFunctions {
  void (*standardIn)() = nullptr;
  void (*nonCalculateIn)() = nullptr;
  void (*standardOut)() = nullptr;
  void (*additionalOut)() = nullptr;
  void (*transferIn)() = nullptr;
  void (*transferOut)() = nullptr;
  void (*transferNonCalculateIn)() = nullptr;
};

// Calls the fee function `fee` names: Lack_Money for Refuse, nothing for
// Nothing.
void runFeeFunction(FeeFunction fee, const FeeFunctions& functions);

// Charges `amount` of the given kind: on refusal Lack_Money, the balance
// unchanged; otherwise cinfo.balance and cinfo.fee are set and the tap
// recorded; when it cannot be recorded only the failure is shown.
void chargeTap(long long amount, ChargeKind kind);

// The refusal: the card released, then "Lack!"; nothing written.
void Lack_Money();
