#include "tests/support/reference/trip_list.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

std::unique_ptr<TripNode> record(int key, std::string journeyId = "1\n") {
  auto node = std::make_unique<TripNode>();
  node->time_key = key;
  node->transport = "BUS";
  node->journey_id = std::move(journeyId);
  return node;
}

std::vector<const TripNode*> forward(const TripList& list) {
  std::vector<const TripNode*> nodes;
  for (const TripNode* n = list.head()->next; n != list.tail(); n = n->next) nodes.push_back(n);
  return nodes;
}

std::vector<int> keys(const TripList& list) {
  std::vector<int> result;
  for (const TripNode* n : forward(list)) result.push_back(n->time_key);
  return result;
}

// Both directions agree and the sentinels close the ends.
void expectLinked(const TripList& list) {
  EXPECT_EQ(list.head()->prev, nullptr);
  EXPECT_EQ(list.tail()->next, nullptr);
  const TripNode* prev = list.head();
  for (const TripNode* n : forward(list)) {
    EXPECT_EQ(n->prev, prev);
    prev = n;
  }
  EXPECT_EQ(list.tail()->prev, prev);
  EXPECT_EQ(forward(list).size(), list.size());
}

// The insertion rule written as a walk from the first record: stop at the
// first record with a greater key, the last record not being tested; after
// the last record only when its key is smaller.
TripNode* walkPosition(TripList& list, int key) {
  TripNode* last = list.tail()->prev;
  if (last == list.head()) return list.tail();
  TripNode* at = list.head()->next;
  while (at != last && at->time_key <= key) at = at->next;
  if (at == last && last->time_key < key) return list.tail();
  return at;
}

}  // namespace

TEST(TripListOrder, KeysComeOutInTimeOrder) {
  TripList list;
  EXPECT_TRUE(list.empty());
  list.insert(record(12050016));
  EXPECT_EQ(keys(list), std::vector<int>{12050016});
  list.insert(record(12050008));
  list.insert(record(12050024));
  EXPECT_EQ(keys(list), (std::vector<int>{12050008, 12050016, 12050024}));
  expectLinked(list);
}

TEST(TripListOrder, EqualToLastGoesDirectlyBeforeTheLast) {
  TripList list;
  TripNode* a = list.insert(record(12050016, "a"));
  TripNode* b = list.insert(record(12050016, "b"));
  TripNode* c = list.insert(record(12050016, "c"));
  EXPECT_EQ(forward(list), (std::vector<const TripNode*>{b, c, a}));
  expectLinked(list);
}

TEST(TripListOrder, EqualToMiddleKeysGoesAfterAllOfThem) {
  TripList list;
  TripNode* early = list.insert(record(12050008));
  TripNode* m1 = list.insert(record(12050016));
  TripNode* last = list.insert(record(12050040));
  TripNode* m2 = list.insert(record(12050016));  // before the last, a greater key
  TripNode* m3 = list.insert(record(12050016));
  EXPECT_EQ(forward(list), (std::vector<const TripNode*>{early, m1, m2, m3, last}));
  // A key between two existing ones, and one before everything.
  TripNode* between = list.insert(record(12050024));
  TripNode* first = list.insert(record(12050000));
  EXPECT_EQ(forward(list), (std::vector<const TripNode*>{first, early, m1, m2, m3, between, last}));
  expectLinked(list);
}

TEST(TripListOrder, DaysAbove99SortAfterEveryTwoDigitDay) {
  TripList list;
  list.insert(record(121000008));  // day 100 of December, 00:08
  list.insert(record(12992400));
  list.insert(record(12050008));
  EXPECT_EQ(keys(list), (std::vector<int>{12050008, 12992400, 121000008}));
}

TEST(TripListOrder, MatchesTheWalkFromTheHeadUnderRandomInsertsAndRemovals) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    TripList list;
    std::vector<TripNode*> members;
    for (int step = 0; step < 300; ++step) {
      if (!members.empty() && random() % 4 == 0) {
        const size_t pick = random() % members.size();
        ASSERT_NE(list.remove(members[pick]), nullptr);
        members.erase(members.begin() + static_cast<long>(pick));
        continue;
      }
      const int key = 12050000 + static_cast<int>(random() % 6);
      TripNode* expectedNext = walkPosition(list, key);
      TripNode* node = list.insert(record(key));
      ASSERT_EQ(node->next, expectedNext) << "round " << round << " step " << step;
      members.push_back(node);
    }
    expectLinked(list);
  }
}

TEST(TripListRemove, FirstAndLastAndMiddleUnlinkAndComeBackWithClearedLinks) {
  TripList list;
  TripNode* a = list.insert(record(1));
  TripNode* b = list.insert(record(2));
  TripNode* c = list.insert(record(3));
  TripNode* d = list.insert(record(4));
  for (TripNode* node : {d, a, c}) {
    std::unique_ptr<TripNode> removed = list.remove(node);
    ASSERT_EQ(removed.get(), node);
    EXPECT_EQ(removed->next, nullptr);
    EXPECT_EQ(removed->prev, nullptr);
    expectLinked(list);
  }
  EXPECT_EQ(forward(list), std::vector<const TripNode*>{b});
  // Removed keys no longer steer insertions: 3 goes after 2 again.
  list.insert(record(3));
  list.insert(record(1));
  EXPECT_EQ(keys(list), (std::vector<int>{1, 2, 3}));
}

TEST(TripListRemove, ForeignRemovedAndSentinelRecordsAreRefused) {
  TripList list;
  TripList other;
  TripNode* mine = list.insert(record(5));
  TripNode* theirs = other.insert(record(5));
  TripNode loose;
  loose.time_key = 5;
  EXPECT_EQ(list.remove(theirs), nullptr);
  EXPECT_EQ(list.remove(&loose), nullptr);
  EXPECT_EQ(list.remove(list.head()), nullptr);
  EXPECT_EQ(list.remove(list.tail()), nullptr);
  EXPECT_EQ(list.remove(nullptr), nullptr);
  EXPECT_EQ(list.size(), 1u);
  EXPECT_EQ(other.size(), 1u);
  auto removed = list.remove(mine);
  EXPECT_EQ(list.remove(mine), nullptr);  // a second time
  expectLinked(list);
}

TEST(TripListClear, LeavesTheSentinelsLinkedToEachOther) {
  TripList list;
  for (int key : {3, 1, 2, 2}) list.insert(record(key));
  list.clear();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.head()->next, list.tail());
  EXPECT_EQ(list.tail()->prev, list.head());
  EXPECT_EQ(list.size(), 0u);
  list.insert(record(2));
  list.insert(record(1));
  EXPECT_EQ(keys(list), (std::vector<int>{1, 2}));
}
