// The driver's bookkeeping without programs: when a tap is due (its minute
// reached, or its retry's moment), and what charged taps come to (a
// journey carried over to the other mode counts once, lags and fees in the
// report, one taps.csv line a command).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "simulate/tap_accounts.h"
#include "simulate/tap_schedule.h"
#include "support/world.h"

namespace {

std::vector<int> ridersAt(TapSchedule& schedule, int terminal) {
  std::vector<int> riders;
  for (const TapTicket& ticket : schedule.queue(terminal)) riders.push_back(ticket.rider);
  schedule.queue(terminal).clear();
  return riders;
}

TEST(TapSchedule, ATapQueuesOnceTheClockReachesItsMinute) {
  TapSchedule schedule(420, 430);
  schedule.plan({1, {425, 5, true, Typo::kNone}, false});
  schedule.plan({2, {420, 5, true, Typo::kNone}, false});
  schedule.plan({3, {431, 2, true, Typo::kNone}, false});  // past the last minute given
  schedule.plan({4, {400, 2, true, Typo::kNone}, false});  // before the first: due at once
  EXPECT_EQ(ridersAt(schedule, 2), std::vector<int>{4});
  schedule.release(424);
  EXPECT_EQ(ridersAt(schedule, 5), std::vector<int>{2});
  schedule.release(432);  // a tick of eight minutes passes several at once
  EXPECT_EQ(ridersAt(schedule, 5), std::vector<int>{1});
  EXPECT_EQ(ridersAt(schedule, 2), std::vector<int>{3});
  schedule.plan({5, {428, 2, false, Typo::kNone}, false});  // planned after its minute passed
  EXPECT_EQ(ridersAt(schedule, 2), std::vector<int>{5});

  const auto now = TapSchedule::Clock::now();
  schedule.retry({6, {432, 0, true, Typo::kNone}, false}, now + std::chrono::seconds(1));
  EXPECT_EQ(schedule.releaseRetries(now), now + std::chrono::seconds(1));
  EXPECT_TRUE(ridersAt(schedule, 0).empty());
  EXPECT_EQ(schedule.releaseRetries(now + std::chrono::seconds(1)), std::nullopt);
  EXPECT_EQ(ridersAt(schedule, 0), std::vector<int>{6});
}

TEST(TapAccounts, AJourneyCarriedToTheOtherModeCountsOnce) {
  World world;
  DayReport report;
  TapsCsv taps((world.root() / "taps.csv").string());
  TapAccounts accounts(report, taps);
  JourneyTrack journey;
  const std::string charged = "Cardfile Write !\nReadefile Write!\nFEE : 1050\nVALANCE : 8950\n";
  const PlannedTap bus{480, 5, true, Typo::kNone};
  const PlannedTap metro{500, 2, true, Typo::kNone};
  // Bus in and out, then the metro on the same journey, in and out: one
  // transfer; a new journey on the bus after it counts anew.
  accounts.charged(journey, 0, bus, false, charged, {480, kBusOperator, 1050, "61\n"});
  accounts.charged(journey, 0, bus, false, charged, {488, kBusOperator, 0, "61\n"});
  accounts.charged(journey, 0, metro, false, charged, {504, kMetroOperator, 0, "61\n"});
  accounts.charged(journey, 0, metro, false, charged, {520, kMetroOperator, 300, "61\n"});
  const PlannedTap later{600, 5, true, Typo::kNone};
  accounts.charged(journey, 0, later, false, charged, {600, kBusOperator, 1050, "62\n"});
  accounts.refused(0, metro, true, "Invalid command\n", -1);
  accounts.close();
  EXPECT_TRUE(taps.close());
  EXPECT_EQ(report.transferJourneys, 1);
  EXPECT_EQ(report.tapsCharged, 5);
  EXPECT_EQ(report.commandsAnswered, 6);
  EXPECT_EQ(report.feesCharged, (OperatorAmounts{2100, 300}));
  EXPECT_EQ(report.lag.max, 20);
  EXPECT_EQ((report.feeSpread[0]), (std::array<long long, 2>{1, 1}));
  EXPECT_EQ(report.refused["Invalid command"], 1);
  const std::string csv = world.get("taps.csv");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7);
  EXPECT_NE(csv.find("08:00,08:00,bus,1000001,1000001 IN,Cardfile Write ! | Readefile Write! | "
                     "FEE : 1050 | VALANCE : 8950,1050\n"),
            std::string::npos);
}

}  // namespace
