// The cycle's one pass against the linked list's filters: the same block
// and the same statement figures for any records in list order.
#include "settlement/exact_distribute/distribution_pass.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "tests/support/reference/distribution.h"

namespace {

struct Row {
  const char* transport;
  int fee;
  std::string journeyId;
  bool fresh = false;
};

struct Compared {
  ListDistribution whole;
  ListDistribution fresh;
  Totals block = {0, 0};
  FreshTotals reference;
};

// Keys rise row by row, so the list's order is the rows' order.
Compared distributeBoth(const std::vector<Row>& rows) {
  TripList list;
  std::vector<FlatRecord> records;
  std::string spill;
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    auto node = std::make_unique<TripNode>();
    node->time_key = static_cast<int>(i);
    node->transport = row.transport;
    node->fee = row.fee;
    node->journey_id = row.journeyId;
    node->fresh = row.fresh;
    list.insert(std::move(node));
    records.push_back(flatRecord(
        {static_cast<int>(i), *operatorOf(row.transport), row.transport, 0, row.fee, row.journeyId},
        row.fresh, spill));
  }
  Compared compared;
  DistributionPass whole;
  DistributionPass fresh;
  for (const FlatRecord& record : records) {
    whole.add(record, spill.data());
    if (record.fresh()) fresh.add(record, spill.data());
  }
  compared.whole = whole.finish();
  compared.fresh = fresh.finish();
  compared.reference = distributeFresh(list);
  settleJourneys(list, compared.block);
  addFeesOf(list, kBusTransport, kBusOperator, compared.block);
  addFeesOf(list, kMetroTransport, kMetroOperator, compared.block);
  return compared;
}

}  // namespace

TEST(DistributionPass, WorkedExampleEndsWithBus1050AndMetro1250) {
  const Compared c = distributeBoth({{"METRO", 1050, "11\n"},
                                     {"METRO", 200, "32\n"},
                                     {"BUS", 0, "32\n"},
                                     {"BUS", 0, "61\n"},
                                     {"BUS", 1050, "62\n"},
                                     {"BUS", 0, "62\n"},
                                     {"METRO", 0, "62\n"}});
  EXPECT_EQ(c.whole.shares(), (Totals{1050, 1250}));
  EXPECT_EQ(c.whole.journeys, (Totals{1050, 1250}));
  EXPECT_EQ(c.whole.remaining, (Totals{0, 0}));
  EXPECT_EQ(c.whole.fees, (Totals{1050, 1250}));
  EXPECT_EQ(c.whole.records, 7);
}

TEST(DistributionPass, MatchesTheListsFiltersOnRandomLists) {
  std::mt19937 random(23);
  const std::vector<std::string> ids = {
      "61\n", "62\n", "11\n", "7", "x\n", "0123456789012345\n", "0123456789012346\n"};
  const std::vector<int> fees = {0, 0, 1050, 1250, 200, -300, INT_MAX, INT_MIN, 7};
  for (int round = 0; round < 2000; ++round) {
    std::vector<Row> rows(random() % 40);
    for (Row& row : rows) {
      row.transport = random() % 2 ? "BUS" : "METRO";
      row.fee = fees[random() % fees.size()];
      row.journeyId = ids[random() % (1 + random() % ids.size())];
      row.fresh = random() % 3 != 0;
    }
    const Compared c = distributeBoth(rows);
    ASSERT_EQ(c.whole.shares(), c.block) << "round " << round;
    ASSERT_EQ(c.fresh.records, c.reference.records) << "round " << round;
    ASSERT_EQ(c.fresh.fees, c.reference.fees) << "round " << round;
    ASSERT_EQ(c.fresh.shares(), c.reference.shares) << "round " << round;
  }
}
