// The split rules on journeys worked by hand: every rule gives what the
// journey paid, one mode's journey goes whole to it, and the weighing
// rules share by their weights, truncating the other mode's share.
#include "journeys/split_rules.h"

#include <gtest/gtest.h>

#include <vector>

#include "journeys/rule_table.h"

namespace {

JourneyLeg leg(Operator mode, bool entry, int day, int hour, int minute, long long fee,
               std::optional<int> station = std::nullopt) {
  JourneyLeg l;
  l.mode = mode;
  l.entry = entry;
  l.stamp = TimeInfo(2014, 12, day, hour, minute);
  l.fee = fee;
  l.station = station;
  return l;
}

constexpr Operator B = kBusOperator;
constexpr Operator M = kMetroOperator;

TEST(SplitRules, SharesByWeightTruncatingTheOtherModesShare) {
  struct Case {
    long long paid, origin, other, expectOrigin, expectOther;
  };
  for (const Case& c : std::vector<Case>{{1000, 1, 1, 500, 500},
                                         {1001, 1, 2, 334, 667},
                                         {100, 0, 0, 100, 0},
                                         {100, 0, 5, 0, 100},
                                         {1650, 30, 20, 990, 660}}) {
    const JourneyShares shares = shareByWeights(c.paid, c.origin, c.other);
    EXPECT_EQ(shares.origin, c.expectOrigin) << c.paid << " " << c.origin << ":" << c.other;
    EXPECT_EQ(shares.other, c.expectOther) << c.paid << " " << c.origin << ":" << c.other;
  }
}

TEST(SplitRules, EachRuleGivesItsHandWorkedSplitAndConserves) {
  struct Case {
    const char* name;
    Journey journey;
    // {BUS, METRO} under as_charged, weighted_journey, minutes_ridden,
    // standalone_fare; nullopt where it cannot split.
    std::vector<std::optional<OperatorAmounts>> splits;
  };
  const std::vector<Case> cases = {
      // Weighted: W = 1050 + 2 * 600, the metro's legs 3-4 weigh 1200, so
      // it gets 1650 * 1200 / 2250 = 880. Minutes: bus 30, metro 20.
      // Standalone: bus 1050, metro 1050 + 200 (station 1 to 3).
      {"bus then metro",
       {{leg(B, true, 5, 7, 0, 1050), leg(B, false, 5, 7, 30, 0), leg(M, true, 5, 7, 40, 0, 1),
         leg(M, false, 5, 8, 0, 600, 3)}},
       {OperatorAmounts{1050, 600}, OperatorAmounts{770, 880}, OperatorAmounts{990, 660},
        OperatorAmounts{754, 896}}},
      // Across midnight: metro 15 minutes, bus 30. Weighted: nothing on
      // legs 3-4, all to the origin. Standalone: metro 1050 + 200 (0 to 2),
      // bus 1050: 1250 * 1050 / 2300 = 570 to the bus.
      {"metro then bus across midnight",
       {{leg(M, true, 5, 23, 40, 1050, 0), leg(M, false, 5, 23, 55, 200, 2),
         leg(B, true, 6, 0, 5, 0), leg(B, false, 6, 0, 35, 0)}},
       {OperatorAmounts{0, 1250}, OperatorAmounts{0, 1250}, OperatorAmounts{833, 417},
        OperatorAmounts{570, 680}}},
      // Nothing ridden to an exit: both weigh 0, the origin keeps it all.
      // The metro part has no exit: its standalone fare is the entry fare.
      {"bus entry open, metro entered",
       {{leg(B, true, 5, 7, 0, 1050), leg(M, true, 5, 7, 10, 600)}},
       {OperatorAmounts{1050, 600}, OperatorAmounts{1650, 0}, OperatorAmounts{1650, 0},
        OperatorAmounts{825, 825}}},
      {"one mode, three legs, no station known",
       {{leg(M, true, 5, 7, 0, 1050), leg(M, false, 5, 7, 20, 200), leg(M, false, 5, 7, 30, 200)}},
       {OperatorAmounts{0, 1450}, OperatorAmounts{0, 1450}, OperatorAmounts{0, 1450},
        OperatorAmounts{0, 1450}}},
      {"a metro exit's station not known",
       {{leg(B, true, 5, 7, 0, 1050), leg(B, false, 5, 7, 30, 0), leg(M, true, 5, 7, 40, 0, 1),
         leg(M, false, 5, 8, 0, 600)}},
       {OperatorAmounts{1050, 600}, OperatorAmounts{770, 880}, OperatorAmounts{990, 660},
        std::nullopt}},
  };
  for (const Case& c : cases) {
    RuleTable table;
    table.add(c.journey);
    for (size_t r = 1; r < kSplitRules; ++r) {
      const auto rule = static_cast<SplitRule>(r);
      const std::optional<OperatorAmounts> split = splitJourney(c.journey, rule);
      EXPECT_EQ(split, c.splits[r - 1]) << c.name << ": " << kSplitRuleNames[r];
      EXPECT_EQ(table.rule(rule), split) << c.name << ": " << kSplitRuleNames[r];
      if (split) {
        EXPECT_EQ((*split)[B] + (*split)[M], c.journey.paid()) << c.name;
      }
    }
    EXPECT_FALSE(splitJourney(c.journey, SplitRule::kAsSettled));
  }
}

}  // namespace
