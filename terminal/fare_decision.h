// The fare decision of a tap, as a plain function of the tap and the
// terminal's rules: which fee function the tap comes to, what it charges,
// the new balance, and the journey id of each of its two records. The lag
// since the card's last record is measured here, once, against the tap's
// own clock reading. The writers take the charge as it is decided.
#pragma once

#include <string>

#include "terminal/tap.h"
#include "terminal/terminal_rules.h"

struct Charge {
  // Refuse: "Lack!" and nothing written; Nothing: no output at all (a metro
  // exit no rule covers); any other: the tap is charged.
  FeeFunction function = FeeFunction::Nothing;
  int fee = 0;
  int balance = 0;  // after the fee
  std::string cardJourneyId;
  std::string tripLogJourneyId;
  int journeyCount = 0;  // the terminal's count once the tap is recorded

  bool charged() const {
    return function != FeeFunction::Refuse && function != FeeFunction::Nothing;
  }
};

// Decides `tap` by `rules`, the terminal's journey count being
// `journeyCount`. A charge that a guarded fee function cannot take, or that
// would leave the 32-bit range, is a refusal. A new journey id takes the
// count advanced by one, for both records.
Charge decide(const Tap& tap, const TerminalRules& rules, int journeyCount);

// The two record lines of a charged tap, stamped with its clock reading:
// the card's (column 4 the new balance) and the trip log's (the fee).
struct TapRecords {
  std::string card;
  std::string tripLog;
};
TapRecords tapRecords(const Tap& tap, const TerminalRules& rules, const Charge& charge);

// What the console shows for a decided tap once it is recorded: "Lack!",
// nothing, or both confirmations and the fee and balance, in the order of
// the terminal (the metro confirms first, the bus shows fee and balance
// first).
std::string tapOutput(const Charge& charge, const TerminalRules& rules);
