// Carrying out a fare decision on cinfo: refusing the tap, or charging it
// and producing its outputs (card record, trip log record and display, in
// the order of the terminal). Each terminal's fee functions (Standard_Fee_in,
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
// unchanged; otherwise cinfo.balance and cinfo.fee are set and the outputs
// produced.
void chargeTap(long long amount, ChargeKind kind);

// The refusal: "Lack!", nothing written.
void Lack_Money();
