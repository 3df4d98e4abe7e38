#include "settlement/exact_distribute/apportion.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

JourneyShares split(std::vector<int> fees) {
  return apportionJourney(fees);
}

void expectShares(std::vector<int> fees, long long origin, long long other) {
  const JourneyShares shares = split(fees);
  EXPECT_EQ(shares.origin, origin);
  EXPECT_EQ(shares.other, other);
}

}  // namespace

TEST(JourneyOrigin, DigitsAboveFiveAreBusEverythingElseMetro) {
  for (const char* id : {"61\n", "6", "7x", "99"}) EXPECT_EQ(journeyOrigin(id), kBusOperator);
  for (const char* id : {"01\n", "11", "5", "x6", "", "\n", "-6"}) {
    EXPECT_EQ(journeyOrigin(id), kMetroOperator) << id;
  }
}

TEST(Apportion, FirstPairAloneStaysWithTheOrigin) {
  expectShares({1050, 200}, 1250, 0);
  expectShares({0, 1050, 0}, 1050, 0);
  expectShares({1050}, 1050, 0);
  expectShares({1050, 200, 0, 0, 0}, 1250, 0);
}

TEST(Apportion, FeesOnTheThirdAndLaterLegsGoByWeight) {
  // W = 1050 + 200 + 2*300 = 1850, WX = 600: other = 1550*600/1850 = 502.7.
  expectShares({1050, 200, 300}, 1048, 502);
  // Legs 3 and 4 to the other operator, 5 and 6 back to the origin.
  expectShares({0, 0, 100, 0, 100}, 120, 80);
  expectShares({0, 0, 0, 0, 100, 100}, 200, 0);
  expectShares({0, 0, 0, 0, 0, 0, 70, 0}, 0, 70);
}

TEST(Apportion, SharesTruncateTowardZero) {
  // F = 7, W = 10 - 6 = 4, WX = -6: other = -42 / 4 = -10.5 -> -10.
  expectShares({10, 0, -3}, 17, -10);
}

TEST(Apportion, NoWeightLeavesTheTotalWithTheOrigin) {
  expectShares({}, 0, 0);
  expectShares({0, 0, 0}, 0, 0);
  expectShares({2, 0, -1}, 1, 0);  // W = 2 - 2 = 0, F = 1
}

TEST(Apportion, LargeFeesAreExactBeyond64BitProducts) {
  // F * WX = 16 * INT_MAX^2 does not fit in 64 bits.
  expectShares({INT_MAX, INT_MAX, INT_MAX, INT_MAX}, 2863311530LL, 5726623058LL);
  // F = 3m, W = 4m, WX = 2m: other = 1.5m for m = INT_MIN.
  expectShares({INT_MIN, INT_MIN, INT_MIN}, -3221225472LL, -3221225472LL);
}

TEST(Apportion, BeyondEven128BitsTheJourneyStaysWholeWithItsOrigin) {
  // Ten million legs of the largest fee: F * WX needs 129 bits.
  const std::vector<int> fees(10'000'000, INT_MAX);
  const JourneyShares shares = apportionJourney(fees);
  EXPECT_EQ(shares.origin, 10'000'000LL * INT_MAX);
  EXPECT_EQ(shares.other, 0);
}
