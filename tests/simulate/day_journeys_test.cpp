// The day's journeys held against the plan: a journey found as planned,
// split where the stamps pass the transfer window, merged or split where
// they should not be, and a card whose taps are not the planned ones.
#include "simulate/day_journeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// Bus 07:00-07:20, then metro station 1 to station 3 entered `wait`
// minutes after the bus exit; the card's legs stamped as planned, a new
// journey beginning at each leg listed in `begins`.
std::vector<Journey> cardOf(int wait, std::vector<size_t> begins, size_t legs = 4) {
  const std::vector<std::pair<Operator, int>> taps = {{kBusOperator, 420},
                                                      {kBusOperator, 440},
                                                      {kMetroOperator, 440 + wait},
                                                      {kMetroOperator, 460 + wait}};
  std::vector<Journey> journeys;
  for (size_t i = 0; i < legs; ++i) {
    if (i == 0 || std::find(begins.begin(), begins.end(), i) != begins.end()) {
      journeys.emplace_back();
    }
    JourneyLeg leg;
    leg.mode = taps[i].first;
    leg.entry = i % 2 == 0;
    leg.stamp = TimeInfo(2014, 12, 5, taps[i].second / 60, taps[i].second % 60);
    leg.line = i + 2;
    journeys.back().legs.push_back(leg);
  }
  return journeys;
}

TEST(PlanCheck, JourneysAreHeldAgainstThePlanByTheirStamps) {
  RiderPlan plan;
  plan.taps = {
      {420, kBusTerminal, true}, {440, kBusTerminal, false}, {450, 1, true}, {470, 3, false}};
  struct Case {
    const char* name;
    std::vector<Journey> journeys;
    long long found, split, invented, cardsOff;
  };
  const std::vector<Case> cases = {
      {"one journey as planned", cardOf(120, {}), 1, 0, 0, 0},
      {"past the window: two journeys", cardOf(121, {2}), 1, 1, 0, 0},
      {"past the window, read as one", cardOf(121, {}), 0, 0, 0, 0},
      {"within the window, read as two", cardOf(120, {2}), 0, 0, 1, 0},
      {"a tap missing from the card", cardOf(10, {}, 3), 0, 0, 0, 1},
  };
  for (Case c : cases) {
    PlanCheck check;
    checkAgainstPlan("1000001", plan, c.journeys, check);
    EXPECT_EQ(check.planned, 1) << c.name;
    EXPECT_EQ(check.found, c.found) << c.name;
    EXPECT_EQ(check.splitPastWindow, c.split) << c.name;
    EXPECT_EQ(check.invented, c.invented) << c.name;
    EXPECT_EQ(check.cardsOff, c.cardsOff) << c.name;
    EXPECT_EQ(check.asPlanned(), c.found == 1 && c.invented == 0 && c.cardsOff == 0) << c.name;
    if (c.cardsOff == 0) {
      EXPECT_EQ(c.journeys.back().legs.back().station, 3) << c.name;
    }
  }
}

}  // namespace
