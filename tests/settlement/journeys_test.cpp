#include "settlement/exact_distribute/journeys.h"

#include <gtest/gtest.h>

namespace {
using Ids = std::vector<std::string_view>;
using Journeys = std::vector<JourneyLegs>;
}  // namespace

TEST(Journeys, WorkedExampleGivesTwoJourneysWithTheirPrecedingRecords) {
  const Ids ids{"11\n", "32\n", "32\n", "61\n", "62\n", "62\n", "62\n"};
  // Records 1-2 (run 2-3 and the record before it), then records 4-6.
  EXPECT_EQ(findJourneys(ids), (Journeys{{0, 2}, {3, 3}}));
}

TEST(Journeys, NoRunNoJourney) {
  EXPECT_TRUE(findJourneys({}).empty());
  EXPECT_TRUE(findJourneys({"61\n"}).empty());
  EXPECT_TRUE(findJourneys({"61\n", "62\n", "61\n"}).empty());
  // Whole-text comparison: a missing line feed makes another journey id.
  EXPECT_TRUE(findJourneys({"61\n", "61"}).empty());
}

TEST(Journeys, RunAtTheFirstRecordHasNoPrecedingLeg) {
  EXPECT_EQ(findJourneys({"a", "a", "b"}), (Journeys{{0, 1}}));
  EXPECT_EQ(findJourneys({"a", "a", "a"}), (Journeys{{0, 2}}));
}

TEST(Journeys, RunReachingTheLastRecordEndsThere) {
  EXPECT_EQ(findJourneys({"x", "a", "a"}), (Journeys{{0, 2}}));
  EXPECT_EQ(findJourneys({"x", "y", "a", "a", "a", "a"}), (Journeys{{1, 4}}));
}

TEST(Journeys, LastRecordOfARunCanPrecedeTheNextRun) {
  EXPECT_EQ(findJourneys({"a", "a", "b", "b"}), (Journeys{{0, 1}, {1, 2}}));
  EXPECT_EQ(findJourneys({"x", "a", "a", "a", "b", "b", "c", "d", "d"}),
            (Journeys{{0, 3}, {3, 2}, {6, 2}}));
}
