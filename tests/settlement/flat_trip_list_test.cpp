// The cycle's flat list against the linked list it replaces: the same order
// for any records in any files, ties and drops included; journey ids packed
// into a word compare as their texts do; a terminal's line read in one scan
// gives the shared rule's record; reading in blocks of any size gives the
// records of reading read by read.
#include "settlement/list/flat_trip_list.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "tests/support/reference/trip_list.h"

namespace {

// Files of records in collection order; each record's fee is its serial
// number, so an order is a sequence of fees.
using Files = std::vector<std::vector<int>>;  // the keys, by file

std::vector<int> linkedOrder(const Files& files) {
  TripList list;
  int serial = 0;
  for (const std::vector<int>& keys : files) {
    for (const int key : keys) {
      auto node = std::make_unique<TripNode>();
      node->time_key = key;
      node->fee = serial++;
      list.insert(std::move(node));
    }
  }
  std::vector<int> order;
  for (const TripNode* n = list.head()->next; n != list.tail(); n = n->next)
    order.push_back(n->fee);
  return order;
}

// The files go into the list's slots in the order `slots` gives, and are
// arranged in collection order.
std::vector<int> flatOrder(FlatTripList& list, const Files& files,
                           const std::vector<size_t>& slots) {
  list.clear();
  list.expectFiles(files.size());
  int serial = 0;
  for (size_t f = 0; f < files.size(); ++f) {
    for (const int key : files[f]) {
      list.file(slots[f]).add({key, kBusOperator, "BUS", 0, serial++, "1\n"}, false);
    }
  }
  list.arrange(slots);
  std::vector<int> order;
  list.forEachInOrder([&](const FlatRecord& record, const char*) { order.push_back(record.fee); });
  EXPECT_EQ(order.size(), list.size());
  return order;
}

}  // namespace

TEST(FlatTripListOrder, EqualKeysFollowTheLinkedListsInsertion) {
  FlatTripList list;
  // b1, b2, b3 of one key come out b2, b3, b1: each goes before the last.
  EXPECT_EQ(flatOrder(list, {{5, 5, 5}}, {0}), (std::vector<int>{1, 2, 0}));
  // Across files: the second file's records of the greatest key go before
  // the first's; after a greater key they go after all of their key.
  EXPECT_EQ(flatOrder(list, {{5}, {5, 5}}, {0, 1}), (std::vector<int>{1, 2, 0}));
  EXPECT_EQ(flatOrder(list, {{5, 7}, {5, 5}}, {0, 1}), (std::vector<int>{0, 2, 3, 1}));
  // A file out of order: its drops start new stretches.
  EXPECT_EQ(flatOrder(list, {{8, 3, 8, 3}}, {0}), (std::vector<int>{1, 3, 2, 0}));
  EXPECT_EQ(linkedOrder({{8, 3, 8, 3}}), (std::vector<int>{1, 3, 2, 0}));
}

TEST(FlatTripListOrder, MatchesTheLinkedListOnRandomFiles) {
  std::mt19937 random(19);
  FlatTripList list;  // kept across rounds, as the cycle keeps it
  for (int round = 0; round < 3000; ++round) {
    Files files(1 + random() % 8);
    for (std::vector<int>& keys : files) {
      const size_t count = random() % 30;
      const int shape = static_cast<int>(random() % 3);  // in time order, shuffled, falling
      int key = 12050000 + static_cast<int>(random() % 4);
      for (size_t i = 0; i < count; ++i) {
        if (shape == 0) key += static_cast<int>(random() % 3 == 0);
        if (shape == 1) key = 12050000 + static_cast<int>(random() % 6);
        if (shape == 2) key -= static_cast<int>(random() % 3 == 0);
        keys.push_back(key);
      }
    }
    std::vector<size_t> slots(files.size());
    std::iota(slots.begin(), slots.end(), 0);
    std::shuffle(slots.begin(), slots.end(), random);
    ASSERT_EQ(flatOrder(list, files, slots), linkedOrder(files)) << "round " << round;
  }
}

TEST(FlatRecordJourneyId, PackedAndSpilledIdsCompareAsTheirTexts) {
  std::vector<std::string> ids = {"1",
                                  "1\n",
                                  "15\n",
                                  "0",
                                  "\n",
                                  "61",
                                  "6a\n",
                                  "x",
                                  "12345678901234\n",
                                  "123456789012345\n",
                                  std::string("6\0\n", 3),
                                  "0123456789\n\n",
                                  "99999999999999"};
  std::mt19937 random(7);
  const std::string alphabet = "0123456789\n\n\n7a";
  for (int i = 0; i < 300; ++i) {
    std::string id(1 + random() % 18, '0');
    for (char& c : id) c = alphabet[random() % alphabet.size()];
    ids.push_back(id);
  }
  // Each id is a record of its own file, as across stretches of a merge.
  std::vector<std::string> spills(ids.size());
  std::vector<JourneyIdRef> refs;
  for (size_t i = 0; i < ids.size(); ++i) {
    const TripRecord record{12050008, kMetroOperator, "METRO", static_cast<int>(i % 2), 5, ids[i]};
    const FlatRecord flat = flatRecord(record, i % 3 == 0, spills[i]);
    EXPECT_EQ(flat.op(), kMetroOperator);
    EXPECT_EQ(flat.entry(), i % 2 == 1);
    EXPECT_EQ(flat.fresh(), i % 3 == 0);
    refs.push_back({flat.word, spills[i].data()});
  }
  for (size_t i = 0; i < ids.size(); ++i) {
    EXPECT_EQ(journeyIdText(refs[i]), ids[i]);
    EXPECT_EQ(journeyIdFront(refs[i]), ids[i][0]);
    for (size_t j = 0; j < ids.size(); ++j) {
      ASSERT_EQ(sameJourney(refs[i], refs[j]), ids[i] == ids[j]) << i << " " << j;
    }
  }
}

TEST(FlatRecordTerminalLine, OneScanGivesTheSharedRulesRecordOrNothing) {
  const std::vector<std::string> lines = {
      "201412050008,METRO,IN,1250,15\n",        "201412050016,BUS,OUT,0,61\n",
      "2014121000008,BUS,IN,1050,61\n",         "201412050008,METRO,OUT,999999999,12345678901234\n",
      "201412050008,METRO,IN,1250,\n",          "201412050008,BUS,IN,0050,6\n",
      "201412050008,BUS,IN,9999999999,61\n",    "201412050008,BUS,IN,2147483648,61\n",
      "201412050008,BUS,IN,5,123456789012345\n"};
  std::mt19937 random(3);
  const std::string alphabet = "0123456789,\n\nBUSMETROINXT -+";
  const std::string filler(kLongestTerminalLine, 'z');
  int taken = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string line = lines[random() % lines.size()];
    for (int m = static_cast<int>(random() % 4); m > 0; --m) {
      line[random() % line.size()] = alphabet[random() % alphabet.size()];
    }
    const std::string text = line + filler;
    FlatRecord fast;
    const size_t length = readTerminalLine(text.data(), fast);
    if (length == 0) continue;
    ++taken;
    const std::string_view read(text.data(), *nextLogRead(text));
    ASSERT_EQ(length, read.size()) << line;
    const std::optional<TripRecord> record = parseTripRecord(read);
    ASSERT_TRUE(record) << line;
    std::string spill;
    const FlatRecord shared = flatRecord(*record, false, spill);
    EXPECT_EQ(fast.time_key, shared.time_key) << line;
    EXPECT_EQ(fast.fee, shared.fee) << line;
    EXPECT_EQ(fast.word, shared.word) << line;
  }
  EXPECT_GT(taken, 3000);
}

TEST(FileRecordsReading, BlocksOfAnySizeGiveTheRecordsOfReadingReadByRead) {
  std::string content;
  std::mt19937 random(5);
  for (int i = 0; content.size() < 60000; ++i) {
    switch (random() % 6) {
      case 0:
        content += std::string(100 + random() % 150, 'x') + "\n";
        break;
      case 1:
        content += "201412050008,BUSX,IN,-7,long-journey-id-" + std::to_string(i) + "\n";
        break;
      case 2:
        content += ",,\n\n";
        break;
      default:
        content += "2014120500" + std::to_string(10 + i % 90) +
                   (i % 2 ? ",METRO,IN," : ",BUS,OUT,") + std::to_string(i) + "," +
                   std::to_string(i % 7) + "\n";
    }
  }
  content += "201412050008,BUS,IN,1050,6";  // still being written
  char path[] = "/tmp/file-records-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  unlink(path);
  ASSERT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
  const std::vector<std::string_view> reads = completeLogLines(content);
  off_t middle = 0;
  for (size_t i = 0; i < reads.size() / 2; ++i) middle += static_cast<off_t>(reads[i].size());
  for (const size_t block : {size_t{100}, size_t{101}, size_t{149}, size_t{4096}}) {
    std::vector<char> buffer(block);
    for (const auto& [from, freshFrom] :
         {std::pair<off_t, off_t>{0, 0}, {0, middle}, {middle, middle}}) {
      FileRecords file;
      PrefixCheck check(ContentHash{}, {});
      const LogReading reading =
          file.read(fd, from, freshFrom, {}, static_cast<off_t>(content.size()), buffer, check);
      // Every byte read goes through the check, in order.
      EXPECT_EQ(check.key(), keyOf(content.substr(static_cast<size_t>(from),
                                                  static_cast<size_t>(reading.end - from))));
      std::string spill;
      std::vector<FlatRecord> expected;
      off_t at = 0;
      for (const std::string_view read : reads) {
        if (at >= from) {
          if (const auto record = parseTripRecord(read)) {
            expected.push_back(flatRecord(*record, at >= freshFrom, spill));
          }
        }
        at += static_cast<off_t>(read.size());
      }
      EXPECT_EQ(reading.end, at);
      ASSERT_EQ(file.records().size(), expected.size()) << block << " " << from;
      for (size_t i = 0; i < expected.size(); ++i) {
        const FlatRecord& got = file.records()[i];
        ASSERT_EQ(got.time_key, expected[i].time_key) << i;
        ASSERT_EQ(got.fee, expected[i].fee) << i;
        ASSERT_EQ(got.word & FlatRecord::kNotId, expected[i].word & FlatRecord::kNotId) << i;
        ASSERT_EQ(journeyIdText({got.word, file.spill().data()}),
                  journeyIdText({expected[i].word, spill.data()}))
            << i;
      }
    }
  }
  close(fd);
}
