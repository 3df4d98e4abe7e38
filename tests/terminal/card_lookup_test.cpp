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

// The last two lines as a reading from the start finds them: every line
// ends after its line feed, and a last line without one still counts.
LastTwoLines forwardLastTwo(const std::string& content) {
  std::vector<std::string> lines;
  std::string line;
  for (const char c : content) {
    line += c;
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    }
  }
  if (!line.empty()) lines.push_back(line);
  LastTwoLines result;
  if (!lines.empty()) result.last = lines.back();
  if (lines.size() >= 2) result.before = lines[lines.size() - 2];
  return result;
}

std::optional<LastTwoLines> readBackwards(const std::string& content, size_t blockSize,
                                          size_t maxLine = kCardRecordMaxBytes) {
  CardFile file(content);
  const int fd = open(file.path().c_str(), O_RDONLY);
  auto lines = readLastTwoLines(fd, blockSize, maxLine);
  close(fd);
  return lines;
}

}  // namespace

TEST(CardLookupLines, WholeFileCases) {
  EXPECT_FALSE(lastTwoLines("", true)->last);
  const auto one = lastTwoLines("a,b\n", true);
  EXPECT_EQ(one->last, "a,b\n");
  EXPECT_FALSE(one->before);
  const auto three = lastTwoLines("a\nb\nc\n", true);
  EXPECT_EQ(three->last, "c\n");
  EXPECT_EQ(three->before, "b\n");
  const auto unterminated = lastTwoLines("a\nb\nc", true);
  EXPECT_EQ(unterminated->last, "c");
  EXPECT_EQ(unterminated->before, "b\n");
  const auto blank = lastTwoLines("a\n\n", true);
  EXPECT_EQ(blank->last, "\n");
  EXPECT_EQ(blank->before, "a\n");
}

TEST(CardLookupLines, TailThatMayCutALineAsksForMore) {
  EXPECT_FALSE(lastTwoLines("b\nc\n", false));
  EXPECT_FALSE(lastTwoLines("c\n", false));
  EXPECT_FALSE(lastTwoLines("\n", false));
  EXPECT_FALSE(lastTwoLines("", false));
  const auto enough = lastTwoLines("\nb\nc\n", false);
  ASSERT_TRUE(enough);
  EXPECT_EQ(enough->last, "c\n");
  EXPECT_EQ(enough->before, "b\n");
}

TEST(CardLookupLines, ReadingBackwardsFindsWhatAReadFromTheStartFinds) {
  const std::string longLine(300, 'x');
  const std::vector<std::string> contents = {
      "",
      "\n",
      "201412041830,METRO,OUT,10000,35\n",
      "201412041830,METRO,OUT,10000,35",
      "a\nb\n",
      "a\nb",
      "a\n\n\n",
      "first\n" + longLine + "\n" + longLine + "\n",
      longLine + "\n" + longLine,
      "x\n" + longLine + "\nshort\n",
  };
  for (const std::string& content : contents) {
    const LastTwoLines expected = forwardLastTwo(content);
    for (const size_t block : {1, 2, 3, 7, 64, 4096}) {
      const auto lines = readBackwards(content, block);
      ASSERT_TRUE(lines) << content;
      EXPECT_EQ(lines->last, expected.last) << "block " << block << ": " << content;
      EXPECT_EQ(lines->before, expected.before) << "block " << block << ": " << content;
    }
  }
}

TEST(CardLookupLines, EitherLineLongerThanTheBoundIsARefusal) {
  // With a bound of 8 bytes a line of 8 (its line feed included) is taken
  // and a line of 9 is not, whether it is the last line or the one before.
  const std::string fits = "1234567\n";
  const std::string over = "12345678\n";
  const std::vector<std::pair<std::string, bool>> cases = {
      {fits, true},
      {over, false},
      {fits + fits, true},
      {over + fits, false},
      {fits + over, false},
      {over + fits + fits, true},  // further back than the line before
      {"12345678", true},          // unterminated: 8 bytes
      {"123456789", false},
      {std::string(100000, 'x'), false},
      {"\n" + std::string(100000, 'x') + "\n" + fits, false},
  };
  for (const auto& [content, found] : cases) {
    const LastTwoLines expected = forwardLastTwo(content);
    for (const size_t block : {1, 3, 8, 64, 4096}) {
      const auto lines = readBackwards(content, block, 8);
      ASSERT_EQ(lines.has_value(), found) << "block " << block << ": " << content.substr(0, 40);
      if (!found) continue;
      EXPECT_EQ(lines->last, expected.last) << "block " << block << ": " << content;
      EXPECT_EQ(lines->before, expected.before) << "block " << block << ": " << content;
    }
  }
}

TEST(CardLookupRecords, OneRecordTakesTheDefaultRecordAsTheOneBefore) {
  const auto records =
      cardRecords(lastTwoLines("201412041830,BUS,OUT,10000,61\n", true).value(), kMetroDefault);
  ASSERT_TRUE(records);
  EXPECT_EQ(records->last.transport, "BUS");
  EXPECT_EQ(records->last.balance, 10000);
  EXPECT_EQ(records->before.transport, "METRO");
  EXPECT_EQ(records->before.balance, 0);
  EXPECT_EQ(records->before.inout, 0);
  EXPECT_EQ(records->before.journey_id, "00");
  EXPECT_EQ(records->before.time.year, 0);
}

TEST(CardLookupRecords, ThreeRecordsGiveTheThirdAndTheSecond) {
  const auto records = cardRecords(lastTwoLines("201412040700,METRO,IN,9000,01\n"
                                                "201412040800,METRO,OUT,8000,02\n"
                                                "201412040900,BUS,IN,7000,61\n",
                                                true)
                                       .value(),
                                   kMetroDefault);
  ASSERT_TRUE(records);
  EXPECT_EQ(records->last.balance, 7000);
  EXPECT_EQ(records->last.journey_id, "61\n");
  EXPECT_EQ(records->before.balance, 8000);
  EXPECT_EQ(records->before.time.hour, 8);
}

TEST(CardLookupRecords, LastRecordWithoutLineFeedIsARecordLikeAnyOther) {
  const auto records = cardRecords(lastTwoLines("201412040800,METRO,OUT,8000,02\n"
                                                "201412040900,BUS,IN,7000,61",
                                                true)
                                       .value(),
                                   kMetroDefault);
  ASSERT_TRUE(records);
  EXPECT_EQ(records->last.journey_id, "61");
  EXPECT_EQ(records->before.balance, 8000);
}

TEST(CardLookupRecords, NoRecordOrTooFewColumnsIsAReadError) {
  EXPECT_FALSE(cardRecords(lastTwoLines("", true).value(), kMetroDefault));
  EXPECT_FALSE(
      cardRecords(lastTwoLines("201412040900,BUS,IN,7000\n", true).value(), kMetroDefault));
  EXPECT_FALSE(cardRecords(
      lastTwoLines("201412040800,METRO,OUT\n201412040900,BUS,IN,7000,61\n", true).value(),
      kMetroDefault));
  // A broken record further back is never looked at.
  EXPECT_TRUE(cardRecords(lastTwoLines("broken\n201412040800,METRO,OUT,1,02\n"
                                       "201412040900,BUS,IN,7000,61\n",
                                       true)
                              .value(),
                          kMetroDefault));
}

TEST(CardLookupFile, MissingFileOrDirectoryFailsToOpen) {
  EXPECT_EQ(lookUpCard("/nonexistent/card.txt", kMetroDefault).status, LookupStatus::OpenFailed);
  EXPECT_EQ(lookUpCard(std::filesystem::temp_directory_path().string(), kMetroDefault).status,
            LookupStatus::OpenFailed);
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
  CardFile empty("");
  EXPECT_EQ(lookUpCard(empty.path(), kMetroDefault).status, LookupStatus::ReadError);
}
