#include "terminal/card_lookup.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

inline constexpr const char* kMetroDefault = "000000000000,METRO,OUT,0,00";

// A card file in a fresh temporary directory, removed afterwards.
class CardFile {
 public:
  explicit CardFile(const std::string& content) {
    std::string pattern = (std::filesystem::temp_directory_path() / "lookup-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    std::ofstream(path(), std::ios::binary) << content;
  }
  ~CardFile() { std::filesystem::remove_all(dir_); }
  std::string path() const { return (dir_ / "card.txt").string(); }

 private:
  std::filesystem::path dir_;
};

std::optional<CardRecords> readBackwards(const std::string& content, size_t blockSize,
                                         size_t maxLine = kCardRecordMaxBytes) {
  CardFile file(content);
  const int fd = open(file.path().c_str(), O_RDONLY);
  auto records =
      readCardRecords(fd, static_cast<off_t>(content.size()), kMetroDefault, blockSize, maxLine);
  close(fd);
  return records;
}

std::optional<CardRecords> whole(const std::string& content) {
  const TailReading reading = readCardTail(content, true, kMetroDefault);
  if (reading.verdict != TailVerdict::Found) return std::nullopt;
  return reading.records;
}

}  // namespace

TEST(CardLookupTail, LastTwoRecordsOrTheDefaultOne) {
  const auto one = whole("201412041830,BUS,OUT,10000,61\n");
  ASSERT_TRUE(one);
  EXPECT_EQ(one->last.transport, "BUS");
  EXPECT_EQ(one->last.balance, 10000);
  EXPECT_EQ(one->before.transport, "METRO");
  EXPECT_EQ(one->before.balance, 0);
  EXPECT_EQ(one->before.journey_id, "00");
  EXPECT_EQ(one->before.time, TimeInfo{});
  EXPECT_EQ(one->credited, 0);

  const auto three = whole(
      "201412040700,METRO,IN,9000,01\n201412040800,METRO,OUT,8000,02\n"
      "201412040900,BUS,IN,7000,61\n");
  ASSERT_TRUE(three);
  EXPECT_EQ(three->last.balance, 7000);
  EXPECT_EQ(three->last.journey_id, "61\n");
  EXPECT_EQ(three->before.balance, 8000);
  EXPECT_EQ(three->before.time.hour, 8);
  EXPECT_TRUE(three->endsWithLineFeed);

  const auto open = whole("201412040800,METRO,OUT,8000,02\n201412040900,BUS,IN,7000,61");
  ASSERT_TRUE(open);
  EXPECT_EQ(open->last.journey_id, "61");
  EXPECT_EQ(open->before.balance, 8000);
  EXPECT_FALSE(open->endsWithLineFeed);
}

TEST(CardLookupTail, TopUpsGiveTheBalanceAndNothingElse) {
  const auto records = whole(
      "201412050900,BUS,OUT,5000,61\n"
      "201412050905,TOPUP,IN,6000,61\n"
      "201412050930,METRO,IN,6000,61\n"
      "201412050935,TOPUP,IN,9000,61\n"
      "201412050936,TOPUP,IN,9500,61\n");
  ASSERT_TRUE(records);
  EXPECT_EQ(records->last.transport, "METRO");
  EXPECT_EQ(records->last.inout, 1);
  EXPECT_EQ(records->last.time.minute, 30);
  EXPECT_EQ(records->last.balance, 9500);
  EXPECT_EQ(records->before.transport, "BUS");
  EXPECT_EQ(records->before.balance, 5000);
  EXPECT_EQ(records->credited, 4500);
  EXPECT_EQ(records->shiftedBeforeBalance(), 9500);

  // One record that is no top-up: the default record stands before it.
  const auto fresh = whole("000000000000,NEW,OUT,0,00\n201412050800,TOPUP,IN,5000,00\n");
  ASSERT_TRUE(fresh);
  EXPECT_EQ(fresh->last.transport, "NEW");
  EXPECT_EQ(fresh->last.balance, 5000);
  EXPECT_EQ(fresh->before.transport, "METRO");
  EXPECT_EQ(fresh->credited, 5000);
}

TEST(CardLookupTail, NoRecordToDecideFromIsUnreadable) {
  for (const std::string& content : {
           std::string(),
           std::string("\n"),
           std::string("201412040800,METRO,OUT,8000,02\n\n"),
           std::string("201412040900,BUS,IN,7000\n"),
           std::string("201412040800,METRO,OUT\n201412040900,BUS,IN,7000,61\n"),
           std::string("201412050800,TOPUP,IN,5000,00\n201412050900,TOPUP,IN,6000,00\n"),
           std::string("201412050800,METRO\n201412050900,TOPUP,IN,6000,00\n"),
       }) {
    EXPECT_EQ(readCardTail(content, true, kMetroDefault).verdict, TailVerdict::Unreadable)
        << content;
  }
  // A broken record further back is never looked at.
  EXPECT_TRUE(whole("broken\n201412040800,METRO,OUT,1,02\n201412040900,BUS,IN,7000,61\n"));
}

TEST(CardLookupTail, TailThatMayCutALineAsksForMore) {
  for (const std::string tail : {"", "\n", "201412040800,METRO,OUT,1,02\n",
                                 "201412040800,METRO,OUT,1,02\n201412040900,BUS,IN,7,61\n",
                                 "\n201412040800,METRO,OUT,1,02\n201412040900,TOPUP,IN,7,61\n"}) {
    EXPECT_EQ(readCardTail(tail, false, kMetroDefault).verdict, TailVerdict::NeedMore) << tail;
  }
  EXPECT_EQ(readCardTail("\n201412040800,METRO,OUT,1,02\n201412040900,BUS,IN,7,61\n", false,
                         kMetroDefault)
                .verdict,
            TailVerdict::Found);
}

TEST(CardLookupFile, ReadingBackwardsFindsWhatTheWholeFileGives) {
  const std::string longLine(300, 'x');
  const std::string topUp = "201412050940,TOPUP,IN,90000,61\n";
  const std::vector<std::string> contents = {
      "201412041830,METRO,OUT,10000,35\n",
      "201412041830,METRO,OUT,10000,35",
      "first\n201412041830,METRO,OUT,10000,35\n201412041830,BUS,IN,9000," + longLine + "\n",
      longLine + "\n201412041700,METRO,IN,11050,35\n201412041830,METRO,OUT,10000,35\n" + topUp +
          topUp + topUp,
      "201412041830,METRO,OUT,10000,35\n" + topUp,
      "x\n201412041830,METRO,OUT,10000,35\n" + topUp + "201412041830,BUS,IN,9000,61\n" + topUp,
  };
  for (const std::string& content : contents) {
    const auto expected = whole(content);
    ASSERT_TRUE(expected) << content;
    for (const size_t block : {1, 2, 3, 7, 64, 4096}) {
      EXPECT_EQ(readBackwards(content, block), expected) << "block " << block << ": " << content;
    }
  }
}

TEST(CardLookupFile, LineLongerThanTheBoundIsARefusalAndTopUpsAreNone) {
  // With a bound of 32 bytes a record of 32 (its line feed included) is
  // taken and one of 33 is not, wherever the records used lie.
  const std::string fits = "201412041830,METRO,OUT,100,35x\n";  // 31 bytes
  const std::string longest = "201412041830,METRO,OUT,100,35xx\n";
  const std::string over = "201412041830,METRO,OUT,100,35xxx\n";
  const std::string topUp = "201412041830,TOPUP,IN,1,35\n";
  std::string topUps;
  for (int i = 0; i < 100; ++i) topUps += topUp;
  const std::vector<std::pair<std::string, bool>> cases = {
      {longest, true},
      {over, false},
      {longest + longest, true},
      {over + fits, false},
      {fits + over, false},
      {over + fits + fits, true},  // further back than the record before
      {fits + topUp, true},
      {longest + topUp, true},
      {fits + fits + topUp, true},
      {fits + topUp + topUp, true},
      {fits + fits + topUps, true},
      {fits + topUps + fits + topUps, true},
      {over + topUps, false},
      {fits + topUps + "201412041830,TOPUP,IN,1,35xxxxxx\n", false},  // a top-up over the bound
      {std::string(100000, 'x'), false},
  };
  for (const auto& [content, found] : cases) {
    const TailReading reading = readCardTail(content, true, kMetroDefault, 32);
    for (const size_t block : {1, 3, 8, 64, 4096}) {
      const auto records = readBackwards(content, block, 32);
      ASSERT_EQ(records.has_value(), found) << "block " << block << ": " << content.substr(0, 40);
      if (found) {
        EXPECT_EQ(records, reading.records) << content;
      }
    }
  }
}

TEST(CardLookupFile, ReadsThroughAnyNumberOfTopUps) {
  // An exit charged 1050 after an entry, each top-up adding 10: `between`
  // top-ups before the exit and `after` after it.
  struct Row {
    const char* name;
    int between;
    int after;
    bool provisioned;  // the card's only record is its provisioning
  };
  const std::vector<Row> rows = {
      {"1,000 after the last tap", 0, 1000, false},
      {"1,000 between the last two taps", 1000, 0, false},
      {"300 between, 3,000 after", 300, 3000, false},
      {"a new card topped up 1,000 times", 0, 1000, true},
  };
  const auto topUps = [](int count, int from) {
    std::string lines;
    for (int i = 1; i <= count; ++i) {
      lines += "201412050730,TOPUP,IN," + std::to_string(from + 10 * i) + ",05\n";
    }
    return lines;
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string content =
        row.provisioned ? "000000000000,NEW,OUT,0,00\n" + topUps(row.after, 0)
                        : "201412050700,METRO,IN,6050,05\n" + topUps(row.between, 6050) +
                              "201412050800,METRO,OUT," + std::to_string(5000 + 10 * row.between) +
                              ",05\n" + topUps(row.after, 5000 + 10 * row.between);
    for (const size_t block : {7, 4096}) {
      const auto records = readBackwards(content, block);
      ASSERT_TRUE(records) << block;
      const int credited = 10 * (row.between + row.after);
      EXPECT_EQ(records->credited, credited);
      EXPECT_EQ(records->last.transport, row.provisioned ? "NEW" : "METRO");
      EXPECT_EQ(records->last.balance, row.provisioned ? credited : 5000 + credited);
      EXPECT_EQ(records->before.balance, row.provisioned ? 0 : 6050);
      EXPECT_EQ(records->before.inout, row.provisioned ? 0 : 1);
      EXPECT_EQ(records->shiftedBeforeBalance(), row.provisioned ? credited : 6050 + credited);
    }
  }
  // Top-ups alone, however many, give no record to decide from.
  EXPECT_FALSE(readBackwards(topUps(1000, 0), 4096));
}

TEST(CardLookupFile, MissingFileOrDirectoryFailsToOpenAndAReadOnlyCardIsReadOnly) {
  EXPECT_EQ(lookUpCard("/nonexistent/card.txt", kMetroDefault).status, LookupStatus::OpenFailed);
  EXPECT_EQ(lookUpCard(std::filesystem::temp_directory_path().string(), kMetroDefault).status,
            LookupStatus::OpenFailed);
  CardFile empty("");
  EXPECT_EQ(lookUpCard(empty.path(), kMetroDefault).status, LookupStatus::ReadError);

  CardFile card("201412040800,METRO,OUT,5,02\n");
  EXPECT_TRUE(lookUpCard(card.path(), kMetroDefault).held.writable);
  std::filesystem::create_hard_link(card.path(), card.path() + ".second");
  const CardLookup linked = lookUpCard(card.path(), kMetroDefault);
  EXPECT_EQ(linked.status, LookupStatus::Found);
  EXPECT_FALSE(linked.held.writable);
}

TEST(CardLookupFile, FindsTheLastTwoRecordsOfALongFile) {
  std::string content;
  for (int i = 0; i < 2000; ++i) {
    content += "201412040800,METRO,OUT," + std::to_string(i) + ",02\n";
  }
  CardFile file(content);
  const CardLookup lookup = lookUpCard(file.path(), kMetroDefault);
  ASSERT_EQ(lookup.status, LookupStatus::Found);
  EXPECT_EQ(lookup.records.last.balance, 1999);
  EXPECT_EQ(lookup.records.before.balance, 1998);
  EXPECT_EQ(lookup.held.asRead.size, static_cast<long long>(content.size()));
}
