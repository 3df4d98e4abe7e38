// The demand model: a seed and the options make one plan, everywhere; a
// rider's day does not depend on how many ride or on the window; the plan
// holds the journeys, peaks and shares the model promises.
#include "simulate/demand_model.h"

#include <gtest/gtest.h>

#include <array>

namespace {

DemandOptions wholeDay(int riders, uint64_t seed) {
  DemandOptions options;
  options.riders = riders;
  options.fromMinute = 0;
  options.minutes = 24 * 60;
  options.seed = seed;
  return options;
}

TEST(DemandModel, ASeedPlansTheSameRidersWhateverTheirNumberAndWindow) {
  const std::vector<RiderPlan> day = planDay(wholeDay(400, 1));
  EXPECT_EQ(day, planDay(wholeDay(400, 1)));
  const std::vector<RiderPlan> fewer = planDay(wholeDay(40, 1));
  EXPECT_TRUE(std::equal(fewer.begin(), fewer.end(), day.begin()));
  EXPECT_NE(day, planDay(wholeDay(400, 2)));
  // Two windows that split the day play every journey once, each to its end.
  DemandOptions morning = wholeDay(400, 1);
  morning.minutes = 12 * 60 + 5;
  DemandOptions rest = wholeDay(400, 1);
  rest.fromMinute = morning.minutes;
  rest.minutes = 24 * 60 - morning.minutes;
  const std::vector<RiderPlan> first = planDay(morning);
  const std::vector<RiderPlan> second = planDay(rest);
  for (size_t r = 0; r < day.size(); ++r) {
    std::vector<PlannedTap> joined = first[r].taps;
    joined.insert(joined.end(), second[r].taps.begin(), second[r].taps.end());
    EXPECT_EQ(joined, day[r].taps) << "rider " << r;
    for (const PlannedTap& tap : first[r].taps) EXPECT_GE(tap.minute, 0);
    if (!second[r].taps.empty()) {
      EXPECT_GE(second[r].taps.front().minute, rest.fromMinute);
    }
  }
}

// The first riders of seed 1, pinned: a change of the model or of its
// random stream shows here.
TEST(DemandModel, SeedOnePlansThesePinnedRiders) {
  struct Pinned {
    int balance;
    size_t taps;
    PlannedTap first;
  };
  const std::vector<Pinned> pinned = {
      {100000, 4, {484, 0, true, Typo::kNone}}, {100000, 4, {1100, 1, true, Typo::kNone}},
      {100000, 4, {474, 4, true, Typo::kNone}}, {100000, 4, {731, 5, true, Typo::kNone}},
      {100000, 4, {484, 2, true, Typo::kNone}}, {100000, 8, {464, 5, true, Typo::kNone}},
  };
  const std::vector<RiderPlan> day = planDay(wholeDay(static_cast<int>(pinned.size()), 1));
  for (size_t r = 0; r < pinned.size(); ++r) {
    EXPECT_EQ(day[r].balance, pinned[r].balance) << r;
    ASSERT_EQ(day[r].taps.size(), pinned[r].taps) << r;
    EXPECT_EQ(day[r].taps.front(), pinned[r].first) << r;
  }
  EXPECT_EQ(riderCard(0), "1000001");
  EXPECT_EQ(tapCommand("7", {0, 1, true, Typo::kLowerCase}, true), "7 in");
  EXPECT_EQ(tapCommand("7", {0, 1, false, Typo::kExtraWord}, true), "7 OUT now");
  EXPECT_EQ(tapCommand("7", {0, 1, false, Typo::kNoDirection}, true), "7");
  EXPECT_EQ(tapCommand("7", {0, 1, false, Typo::kNoDirection}, false), "7 OUT");
}

TEST(DemandModel, JourneysPeaksAndSharesAreThoseOfTheModel) {
  const std::vector<RiderPlan> day = planDay(wholeDay(20000, 1));
  std::array<long long, 24> departures{};
  long long journeys = 0, transfers = 0, longWaits = 0, lowBalance = 0, taps = 0, mistyped = 0;
  long long homeOnBus = 0, workOnBus = 0;
  std::array<long long, 4> kinds{};  // metro, bus, bus then metro, metro then bus
  for (const RiderPlan& plan : day) {
    lowBalance += plan.balance < 1050;
    homeOnBus += plan.home == kBusTerminal;
    workOnBus += plan.work == kBusTerminal;
    EXPECT_TRUE(plan.home != plan.work || plan.home == kBusTerminal) << "a ride goes somewhere";
    taps += static_cast<long long>(plan.taps.size());
    ASSERT_EQ(plan.taps.size() % 2, 0u);
    bool began = false;
    int wasBus = -1;
    for (size_t i = 0; i < plan.taps.size(); i += 2) {
      const PlannedTap& in = plan.taps[i];
      const PlannedTap& out = plan.taps[i + 1];
      mistyped += (in.typo != Typo::kNone) + (out.typo != Typo::kNone);
      ASSERT_TRUE(in.entry && !out.entry);
      const bool bus = in.terminal == kBusTerminal;
      ASSERT_EQ(bus, out.terminal == kBusTerminal) << "a ride ends where it runs";
      if (!bus) {
        EXPECT_NE(in.terminal, out.terminal) << "a metro ride goes somewhere";
      }
      EXPECT_GE(out.minute - in.minute, bus ? 8 : 10);
      if (i > 0) {
        EXPECT_GE(in.minute, plan.taps[i - 1].minute);
      }
      // A ride in the other mode within 170 minutes continues the journey.
      const int wait = i > 0 ? in.minute - plan.taps[i - 1].minute : 0;
      if (began && wasBus == !bus && wait <= 170) {
        ++transfers;
        longWaits += wait > 120;
        ++kinds[bus ? 2 : 3];
        --kinds[bus ? 0 : 1];
        began = false;
      } else {
        ++journeys;
        ++departures[static_cast<size_t>(in.minute / 60 % 24)];
        ++kinds[bus ? 1 : 0];
        began = true;
      }
      wasBus = bus;
    }
  }
  const double riders = static_cast<double>(day.size());
  EXPECT_NEAR(static_cast<double>(journeys) / riders, 2.0, 0.1);
  EXPECT_GT(departures[7] + departures[8], 3 * (departures[12] + departures[13]));
  EXPECT_GT(departures[17] + departures[18], 2 * (departures[12] + departures[13]));
  EXPECT_GT(departures[12] + departures[13], 0);
  for (const long long kind : kinds) EXPECT_GT(static_cast<double>(kind) / journeys, 0.08);
  EXPECT_NEAR(static_cast<double>(transfers) / journeys, 0.44, 0.05);
  EXPECT_NEAR(static_cast<double>(longWaits) / transfers, 0.03, 0.015);
  EXPECT_NEAR(lowBalance / riders, 0.04, 0.01);
  EXPECT_NEAR(homeOnBus / riders, 0.35, 0.015);
  EXPECT_NEAR(workOnBus / riders, 0.30, 0.015);
  EXPECT_NEAR(static_cast<double>(mistyped) / taps, 0.015, 0.004);
}

}  // namespace
