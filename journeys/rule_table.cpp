#include "journeys/rule_table.h"

#include <cmath>
#include <cstdio>

#include "common/base/text.h"

namespace {

std::string column(const std::string& text, int width) {
  char cell[64];
  snprintf(cell, sizeof cell, "%*s", width, text.c_str());
  return cell;
}

std::string operatorsText(const OperatorAmounts& amounts) {
  return "BUS " + groupedNumber(amounts[kBusOperator]) + ", METRO " +
         groupedNumber(amounts[kMetroOperator]);
}

long long sum(const OperatorAmounts& amounts) {
  return wrappingSum(amounts[kBusOperator], amounts[kMetroOperator]);
}

// a - b modulo 2^64, as the amounts are summed.
long long difference(long long a, long long b) {
  return static_cast<long long>(static_cast<unsigned long long>(a) -
                                static_cast<unsigned long long>(b));
}

// The digits of `value` without its sign.
std::string magnitude(long long value) {
  std::string text = groupedNumber(value);
  return text.starts_with('-') ? text.substr(1) : text;
}

}  // namespace

void RuleTable::add(const Journey& journey) {
  ++journeys;
  ++kinds[static_cast<size_t>(journey.kind())];
  for (const JourneyLeg& leg : journey.legs) paid[leg.mode] = wrappingSum(paid[leg.mode], leg.fee);
  for (size_t r = 0; r < kSplitRules; ++r) {
    const auto rule = static_cast<SplitRule>(r);
    if (rule == SplitRule::kAsSettled) continue;
    const std::optional<OperatorAmounts> split = splitJourney(journey, rule);
    if (!split) {
      ++withoutStations;
      continue;
    }
    for (size_t op = 0; op < 2; ++op) totals[r][op] = wrappingSum(totals[r][op], (*split)[op]);
  }
}

std::optional<OperatorAmounts> RuleTable::rule(SplitRule rule) const {
  if (rule == SplitRule::kAsSettled) return settled;
  if (rule == SplitRule::kStandaloneFare && withoutStations > 0) return std::nullopt;
  return totals[static_cast<size_t>(rule)];
}

long long RuleTable::changedMode() const {
  return journeys - kinds[static_cast<size_t>(JourneyKind::kMetroOnly)] -
         kinds[static_cast<size_t>(JourneyKind::kBusOnly)];
}

std::string ruleTableText(const RuleTable& table, std::string_view indent) {
  const std::string in(indent);
  std::string text = in + "journeys from the cards: " + groupedNumber(table.journeys);
  for (size_t k = 0; k < kJourneyKinds; ++k) {
    text += (k == 0 ? ": " : ", ") + std::string(kJourneyKindNames[k]) + " " +
            groupedNumber(table.kinds[k]);
  }
  text += "; they paid " + operatorsText(table.paid) + "\n";
  text += in + column("rule", -16) + column("BUS", 14) + column("METRO", 14) + "\n";
  for (size_t r = 0; r < kSplitRules; ++r) {
    const auto rule = static_cast<SplitRule>(r);
    text += in + column(std::string(kSplitRuleNames[r]), -16);
    if (const std::optional<OperatorAmounts> totals = table.rule(rule)) {
      text += column(groupedNumber((*totals)[kBusOperator]), 14) +
              column(groupedNumber((*totals)[kMetroOperator]), 14) + "  " +
              std::string(kSplitRuleHelp[r]);
      if (rule == SplitRule::kAsSettled && sum(*totals) != sum(table.paid)) {
        text += "; " + groupedNumber(difference(sum(table.paid), sum(*totals))) +
                " of what the cards paid is not settled";
      }
    } else if (rule == SplitRule::kAsSettled) {
      text += column("-", 14) + column("-", 14) + "  no statement yet";
    } else {
      text += column("-", 14) + column("-", 14) +
              "  unknown: " + groupedNumber(table.withoutStations) +
              (table.withoutStations == 1 ? " journey rides" : " journeys ride") +
              " the metro between stations no card record names";
    }
    text += "\n";
  }
  return text;
}

std::string settledDistanceText(const RuleTable& table) {
  const std::optional<OperatorAmounts> settled = table.rule(SplitRule::kAsSettled);
  if (!settled) return "";
  const OperatorAmounts exact = *table.rule(SplitRule::kWeightedJourney);
  const long long apart = difference((*settled)[kBusOperator], exact[kBusOperator]);
  const double paid = static_cast<double>(sum(table.paid));
  char share[32];
  snprintf(share, sizeof share, "%.2f%%",
           paid != 0 ? 100.0 * std::abs(static_cast<double>(apart)) / paid : 0.0);
  if (apart == 0) {
    return "the settled split is the journey-exact one (the settlement's own rule over whole "
           "journeys)";
  }
  const std::string gap = magnitude(apart);
  return "the settled split lies " + gap + " (" + share +
         " of what the cards paid) from the journey-exact one: the statement gives BUS " + gap +
         (apart < 0 ? " less" : " more") +
         " than the settlement's own rule over whole journeys (weighted_journey)";
}
