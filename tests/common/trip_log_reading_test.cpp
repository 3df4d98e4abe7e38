// From the bytes of a trip log to records: which reads are taken, and which
// lines hold a record.
#include "common/formats/trip_log_reading.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

TEST(LogLines, CompleteLinesAreTakenAndAnUnfinishedLastLineIsNot) {
  const std::string three = "201412050008,BUS,IN,1050,61\n201412050016,BUS,OUT,0,61\na\n";
  EXPECT_EQ(completeLogLines(three).size(), 3u);
  const std::string unfinished = three + "201412050024,BUS,IN,10";
  const auto lines = completeLogLines(unfinished);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "a\n");
  EXPECT_TRUE(completeLogLines("").empty());
  EXPECT_TRUE(completeLogLines("201412050008,BUS,IN,1050,61").empty());
  EXPECT_EQ(completeLogLines("\n\n").size(), 2u);
}

TEST(LogLines, ALongLineArrivesIn99CharacterPieces) {
  const std::string line = std::string(150, 'x') + "\n";
  const auto pieces = completeLogLines(line);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].size(), 99u);
  EXPECT_EQ(pieces[1], std::string(51, 'x') + "\n");
  // A read that stops at its size is taken even at the very end of the file;
  // one that runs into the end is not.
  EXPECT_EQ(completeLogLines(std::string(99, 'y')).size(), 1u);
  EXPECT_EQ(completeLogLines(std::string(98, 'y')).size(), 0u);
  EXPECT_EQ(completeLogLines(std::string(100, 'y')).size(), 1u);
}

TEST(TripRecord, FieldsOfATerminalRecord) {
  const auto node = parseTripRecord("201412050008,METRO,IN,1250,15\n");
  ASSERT_TRUE(node);
  EXPECT_EQ(node->time_key, 12050008);
  EXPECT_EQ(node->transport, "METRO");
  EXPECT_EQ(node->inout, 1);
  EXPECT_EQ(node->op, kMetroOperator);
  EXPECT_EQ(node->fee, 1250);
  EXPECT_EQ(node->journey_id, "15\n");
  EXPECT_EQ(parseTripRecord("201412050008,METRO,OUT,1250,15\n")->inout, 0);
  EXPECT_EQ(parseTripRecord("201412050008,BUS,INX,0,61\n")->inout, 1);
  EXPECT_EQ(parseTripRecord("2014121000008,BUS,IN,0,61\n")->time_key, 121000008);
}

TEST(TripRecord, TokenizerSplittingAndExtraFieldsIgnored) {
  const auto node = parseTripRecord("2014,,12050008,,BUS,IN,-300,62,extra,more\n");
  ASSERT_TRUE(node);
  EXPECT_EQ(node->time_key, 12050008);
  EXPECT_EQ(node->fee, -300);
  EXPECT_EQ(node->journey_id, "62");
  EXPECT_EQ(parseTripRecord("201412050008,BUS,IN,99999999999,61\n")->fee, 2147483647);
  // Only the line feed left for the journey id is still a fifth field.
  EXPECT_EQ(parseTripRecord("201412050008,BUS,IN,5,\n")->journey_id, "\n");
}

TEST(TripRecord, LinesWithoutFiveFieldsGiveNoRecord) {
  for (const char* line : {"", "\n", "201", "2014", "201412050008,BUS,IN,1050\n",
                           "201412050008,BUS,IN,1050", "20141205000,,,,\n", "xxxx,BUS,IN,1050\n"}) {
    EXPECT_FALSE(parseTripRecord(line)) << line;
  }
}

// busfilter counts a transport beginning "BUS", metrofilter one beginning
// "MET"; a record that neither would count is no record, or its fee would
// be collected and then belong to nobody.
TEST(TripRecord, TransportThatNamesNoOperatorGivesNoRecord) {
  for (const char* line : {"201412050008,TRAM,IN,1050,15\n", "201412050008,BU,IN,1050,61\n",
                           "201412050008,bus,IN,1050,61\n", "201412050008,ME,IN,1050,15\n"}) {
    EXPECT_FALSE(parseTripRecord(line)) << line;
  }
  for (const char* line : {"201412050008,BUSX,IN,1050,61\n", "201412050008,MET,IN,1050,15\n",
                           "201412050008,METROPOLIS,IN,1050,15\n"}) {
    EXPECT_TRUE(parseTripRecord(line)) << line;
  }
}

// Reading a log in blocks gives the same reads as reading it whole, also
// from an offset where an earlier reading stopped.
TEST(LogLines, ReadingInBlocksMatchesReadingWhole) {
  std::string content;
  for (int i = 0; content.size() < 300000; ++i) {
    content +=
        i % 37 == 0 ? std::string(150 + i % 100, 'x') : "201412050008,BUS,IN," + std::to_string(i);
    content += i % 53 == 0 ? "" : "\n";
  }
  content += "unfinished";
  char path[] = "/tmp/log-lines-XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  unlink(path);
  ASSERT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
  const std::vector<std::string_view> whole = completeLogLines(content);
  for (const size_t skip : {size_t{0}, size_t{1}, whole.size() / 2, whole.size()}) {
    off_t from = 0;
    for (size_t i = 0; i < skip; ++i) from += static_cast<off_t>(whole[i].size());
    std::vector<std::string> read;
    off_t offset = 0;
    const LogReading reading = readLogFrom(fd, from, [&](std::string_view line, off_t at) {
      EXPECT_EQ(at, from + offset);
      offset += static_cast<off_t>(line.size());
      read.emplace_back(line);
    });
    EXPECT_FALSE(reading.failed);
    off_t end = 0;
    for (const std::string_view line : whole) end += static_cast<off_t>(line.size());
    EXPECT_EQ(reading.end, end);
    ASSERT_EQ(read.size(), whole.size() - skip);
    for (size_t i = 0; i < read.size(); ++i) ASSERT_EQ(read[i], whole[skip + i]) << i;
  }
  close(fd);
}
