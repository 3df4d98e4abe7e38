// A cycle's distribution over a whole list: journeys out, shares and plain
// fees in, and not a unit lost or created.
#include "tests/support/reference/distribution.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct Row {
  int key;
  const char* transport;
  int fee;
  std::string journeyId;
};

void fill(TripList& list, const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    auto node = std::make_unique<TripNode>();
    node->time_key = row.key;
    node->transport = row.transport;
    node->fee = row.fee;
    node->journey_id = row.journeyId;
    list.insert(std::move(node));
  }
}

Totals distribute(TripList& list) {
  Totals totals{0, 0};
  settleJourneys(list, totals);
  addFeesOf(list, "BUS", kBusOperator, totals);
  addFeesOf(list, "METRO", kMetroOperator, totals);
  return totals;
}

std::vector<int> remainingKeys(const TripList& list) {
  std::vector<int> keys;
  for (const TripNode* n = list.head()->next; n != list.tail(); n = n->next) {
    keys.push_back(n->time_key);
  }
  return keys;
}

}  // namespace

TEST(Distribution, WorkedExampleEndsWithBus1050AndMetro1250) {
  TripList list;
  fill(list, {{12050008, "METRO", 1050, "11\n"},
              {12050016, "METRO", 200, "32\n"},
              {12050024, "BUS", 0, "32\n"},
              {12050032, "BUS", 0, "61\n"},
              {12050040, "BUS", 1050, "62\n"},
              {12050048, "BUS", 0, "62\n"},
              {12050056, "METRO", 0, "62\n"}});
  Totals totals{0, 0};
  settleJourneys(list, totals);
  EXPECT_EQ(remainingKeys(list), (std::vector<int>{12050024, 12050056}));
  addFeesOf(list, "BUS", kBusOperator, totals);
  addFeesOf(list, "METRO", kMetroOperator, totals);
  EXPECT_EQ(totals, (Totals{1050, 1250}));
}

TEST(Distribution, WithoutRunsEveryFeeGoesToItsOwnTransport) {
  TripList list;
  fill(list, {{1, "BUS", 1050, "61\n"}, {2, "METRO", 1250, "01\n"}, {3, "BUS", 100, "62\n"}});
  EXPECT_EQ(distribute(list), (Totals{1150, 1250}));
  EXPECT_EQ(list.size(), 3u);
}

TEST(Distribution, RunAtTheStartApportionsItsFirstRecordAlone) {
  TripList list;
  fill(list, {{1, "METRO", 500, "62\n"}, {2, "METRO", 300, "62\n"}});
  // The first record is a one-leg bus journey; the second counts as METRO.
  EXPECT_EQ(distribute(list), (Totals{500, 300}));
  EXPECT_EQ(remainingKeys(list), std::vector<int>{2});
}

TEST(Distribution, TransportIsJudgedByItsFirstThreeCharacters) {
  TripList list;
  fill(list, {{1, "BUSX", 1, "1"},
              {2, "MET", 10, "2"},
              {3, "METRO2", 100, "3"},
              {4, "BU", 1000, "4"},
              {5, "TRAM", 10000, "5"}});
  EXPECT_EQ(distribute(list), (Totals{1, 110}));
}

TEST(Distribution, RandomListsConserveEveryFee) {
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    TripList list;
    std::vector<Row> rows;
    long long collected = 0;
    const int count = static_cast<int>(random() % 60);
    for (int i = 0; i < count; ++i) {
      const int fee = static_cast<int>(random() % 3) == 0 ? 0 : static_cast<int>(random() % 2000);
      const std::string id = std::to_string(random() % 10) + std::to_string(random() % 3) + "\n";
      rows.push_back(
          {12050000 + static_cast<int>(random() % 8), random() % 2 ? "BUS" : "METRO", fee, id});
      collected += fee;
    }
    fill(list, rows);
    const Totals totals = distribute(list);
    ASSERT_EQ(totals[kBusOperator] + totals[kMetroOperator], collected) << "round " << round;
  }
}
