#include "terminal/fare_decision.h"

#include "terminal/card_record.h"
#include "terminal/console_texts.h"
#include "terminal/tap_display.h"

Charge decide(const Tap& tap, const TerminalRules& rules, int journeyCount) {
  const CardInfo& last = tap.records.last;
  const FareFacts facts{tap.records, lagMinutes(tap.clock, last.time), rules.station};
  Charge charge;
  charge.function = rules.controller(facts);
  if (!charge.charged()) return charge;
  const FeeCharge fee = rules.fee(charge.function, facts);
  const std::optional<int> balance = balanceAfterCharge(last.balance, fee.amount, fee.kind);
  if (!balance) {
    charge.function = FeeFunction::Refuse;
    return charge;
  }
  charge.fee = fee.kind == ChargeKind::Free ? 0 : static_cast<int>(fee.amount);
  charge.balance = *balance;
  CardInfo charged = last;
  charged.fee = charge.fee;
  charged.balance = charge.balance;
  const bool cardContinues = rules.cardContinues(facts, charged);
  charge.journeyCount = cardContinues ? journeyCount : journeyCount + 1;
  const std::string newId = newJourneyId(rules.identifierDigits, charge.journeyCount);
  charge.cardJourneyId = cardContinues ? last.journey_id : newId;
  charge.tripLogJourneyId = rules.tripLogContinues(facts, charged) ? last.journey_id : newId;
  return charge;
}

TapRecords tapRecords(const Tap& tap, const TerminalRules& rules, const Charge& charge) {
  return {
      recordLine(tap.clock, rules.transport, tap.tapInout(), charge.balance, charge.cardJourneyId),
      recordLine(tap.clock, rules.transport, tap.tapInout(), charge.fee, charge.tripLogJourneyId)};
}

std::string tapOutput(const Charge& charge, const TerminalRules& rules) {
  if (charge.function == FeeFunction::Refuse) return display(0, charge.fee, charge.balance);
  if (!charge.charged()) return "";
  const std::string shown = display(1, charge.fee, charge.balance);
  const std::string confirmed = std::string(kCardfileWriteText) + kReadefileWriteText;
  return rules.displaysBeforeConfirming ? shown + confirmed : confirmed + shown;
}
