// The part of the fare decision both terminals share, as plain functions:
// the rows that refuse a tap or send it to the transfer rules, the transfer
// rules themselves, and how a charge changes the balance. Each terminal adds
// its standard rules and its fee amounts (metro/, bus/), gathered with the
// rest of what makes it that terminal in its TerminalRules (terminal_rules.h).
#pragma once

#include <optional>
#include <string_view>

#include "terminal/card_record.h"

// The fee functions a decision can end in; Refuse means "Lack!", Nothing
// means no output at all.
enum class FeeFunction {
  Refuse,
  Nothing,
  StandardIn,
  NonCalculateIn,
  StandardOut,
  AdditionalOut,
  TransferIn,
  TransferOut,
  TransferNonCalculateIn,
};

// A last record this many minutes old or younger is a transfer.
inline constexpr int kTransferWindowMinutes = 120;
// After a bus exit, any tap needs at least this balance.
inline constexpr int kBusExitMinimumBalance = 1050;

// What a fare is decided from: the card's records (the last one carrying
// this tap's direction in tap_inout), the minutes since the last record,
// and the number of the deciding terminal (its metro station; 6 at the bus).
struct FareFacts {
  const CardRecords& card;
  int lag = 0;
  int station = 0;

  const CardInfo& last() const { return card.last; }
  const CardInfo& before() const { return card.before; }
  // Whether the record before had `balance`, top-ups since left aside.
  bool beforeHad(long long balance) const { return card.shiftedBeforeBalance() == balance; }
};

// What tells a transfer at one terminal: its own operator, the other one,
// and the balance a card whose last record is an entry at the other
// operator needs. A record is an operator's when its transport is that
// operator's whole word (exactOperatorOf, common/formats/record_format.h).
struct TransferRule {
  Operator own;
  Operator other;
  int openEntryMinimumBalance;
};

enum class FareRoute { Refuse, Transfer, Standard };

// The first matching row:
//  1 refuse: last record a bus exit and balance below kBusExitMinimumBalance
//  2 refuse: last record an entry at `other` and balance below the minimum
//  3 transfer: last record at `other`, lag at most kTransferWindowMinutes
//  4 transfer: last record an entry at `other`
//  5 transfer: last record an entry at `own` that left the balance of an
//    `other` record before it unchanged
//  6 standard
FareRoute fareRoute(const FareFacts& facts, const TransferRule& rule);

// The transfer rules: an entry after an open entry, a free entry, or the
// transfer exit.
FeeFunction Transfer_Fee_Controller(int lastInout, int tapInout);

// The whole decision, given what the terminal's standard rules would choose.
FeeFunction decideFare(const FareFacts& facts, const TransferRule& rule, FeeFunction standardFee);

// Guarded: refused when the balance would drop below zero. Unguarded: taken
// whatever the new balance. Free: nothing taken.
enum class ChargeKind { Guarded, Unguarded, Free };

// What a fee function charges.
struct FeeCharge {
  long long amount = 0;
  ChargeKind kind = ChargeKind::Free;
};

// The balance after charging `amount`; nullopt when the charge is refused,
// which includes a new balance or an amount beyond the 32-bit range.
std::optional<int> balanceAfterCharge(int balance, long long amount, ChargeKind kind);
