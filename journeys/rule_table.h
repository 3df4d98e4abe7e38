// The split rules' table over many journeys (journeys/split_rules.h): how
// many journeys of each kind, what they paid, and each rule's BUS and METRO
// totals, which add up to what they paid for every rule; as_settled is the
// statement's, given from outside. Journeys are added one at a time, so a
// world of any size is read card by card. The world tool and the simulated
// day's report print the same table.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "journeys/journey_reading.h"
#include "journeys/split_rules.h"

struct RuleTable {
  long long journeys = 0;
  std::array<long long, kJourneyKinds> kinds{};
  OperatorAmounts paid{0, 0};
  std::array<OperatorAmounts, kSplitRules> totals{};
  // The statement's shares, when there is a statement.
  std::optional<OperatorAmounts> settled;
  // Journeys standalone_fare cannot split: a metro station it needs is
  // not known.
  long long withoutStations = 0;

  void add(const Journey& journey);
  // A rule's totals; nullopt for as_settled without a statement and for
  // standalone_fare while a journey lacks a station.
  std::optional<OperatorAmounts> rule(SplitRule rule) const;
  long long changedMode() const;  // journeys of more than one mode
};

// The kinds and what they paid in a line, then the table, each line after
// `indent`. A rule the table does not know says why in its line.
std::string ruleTableText(const RuleTable& table, std::string_view indent);

// How far the settled split lies from a journey-exact one (weighted_journey):
// one line, without indent or line feed; empty without a statement.
std::string settledDistanceText(const RuleTable& table);
