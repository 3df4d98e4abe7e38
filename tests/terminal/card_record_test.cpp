#include "terminal/card_record.h"

#include <gtest/gtest.h>

#include <climits>

#include "support/card_records.h"

TEST(RecordParsing, FiveColumnsGiveTheRecordFields) {
  const auto r = parseRecord("201412050930,BUS,OUT,7900,61\n");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->time.year, 2014);
  EXPECT_EQ(r->time.month, 12);
  EXPECT_EQ(r->time.day, 5);
  EXPECT_EQ(r->time.hour, 9);
  EXPECT_EQ(r->time.minute, 30);
  EXPECT_EQ(r->transport, "BUS");
  EXPECT_EQ(r->inout, 0);
  EXPECT_EQ(r->balance, 7900);
  EXPECT_EQ(r->journey_id, "61\n");
}

TEST(RecordParsing, AnyYearReadsAs2014) {
  EXPECT_EQ(parseRecord("199901020304,METRO,IN,1,01\n")->time.year, 2014);
}

TEST(RecordParsing, ZeroTimeColumnGivesAnAllZeroTime) {
  for (const char* line :
       {"000000000000,NEW,OUT,5000,00\n", "2014,BUS,OUT,5,61\n", "2014xx1205,BUS,OUT,5,61\n"}) {
    const auto r = parseRecord(line);
    ASSERT_TRUE(r) << line;
    EXPECT_EQ(r->time.year, 0) << line;
    EXPECT_EQ(r->time.month, 0) << line;
    EXPECT_EQ(r->time.day, 0) << line;
    EXPECT_EQ(r->time.hour, 0) << line;
    EXPECT_EQ(r->time.minute, 0) << line;
  }
}

TEST(RecordParsing, TimeColumnOfDay100OrLaterIsReadByLayout) {
  EXPECT_EQ(parseRecord("2014121000530,BUS,OUT,5,61\n")->time, stampAt(2014, 12, 100, 5, 30));
  EXPECT_EQ(recordTime("2014121012400"), stampAt(2014, 12, 101, 24, 0));
  EXPECT_EQ(recordTime("201412" + std::string(40, '9') + "2359"),
            stampAt(2014, 12, INT_MAX, 23, 59));
  EXPECT_EQ(recordTime("2014000000000"), TimeInfo{});
  // A sign before the digits: read as a clock value, as ever.
  EXPECT_EQ(recordTime("2014+121000530"), clockValueToTime(121000530));
}

TEST(RecordParsing, DirectionIsInOnlyWhenTheColumnBeginsWithUpperCaseIN) {
  EXPECT_EQ(parseRecord("201412050930,BUS,IN,1,61\n")->inout, 1);
  EXPECT_EQ(parseRecord("201412050930,BUS,INX,1,61\n")->inout, 1);
  EXPECT_EQ(parseRecord("201412050930,BUS,in,1,61\n")->inout, 0);
  EXPECT_EQ(parseRecord("201412050930,BUS,I,1,61\n")->inout, 0);
}

TEST(RecordParsing, BalanceIsSignedAndSaturates) {
  EXPECT_EQ(parseRecord("201412050930,BUS,IN,-150,61\n")->balance, -150);
  EXPECT_EQ(parseRecord("201412050930,BUS,IN,99999999999,61\n")->balance, INT_MAX);
  EXPECT_EQ(parseRecord("201412050930,BUS,IN,x,61\n")->balance, 0);
}

TEST(RecordParsing, FewerThanFiveColumnsIsNoRecord) {
  EXPECT_FALSE(parseRecord("201412050930,BUS,IN,100\n"));
  EXPECT_FALSE(parseRecord("201412050930,BUS,,IN,100\n"));
  EXPECT_FALSE(parseRecord("\n"));
  EXPECT_FALSE(parseRecord(""));
}

TEST(RecordParsing, EmptyColumnsCollapseAndColumnsAfterTheFifthAreIgnored) {
  const auto shifted = parseRecord(",201412050930,,BUS,OUT,,7900,61\n");
  ASSERT_TRUE(shifted);
  EXPECT_EQ(shifted->transport, "BUS");
  EXPECT_EQ(shifted->balance, 7900);
  EXPECT_EQ(shifted->journey_id, "61\n");
  const auto extra = parseRecord("201412050930,BUS,OUT,7900,61,more\n");
  ASSERT_TRUE(extra);
  EXPECT_EQ(extra->journey_id, "61");
}

TEST(RecordLine, ColumnsInOrderEndedByOneLineFeed) {
  EXPECT_EQ(recordLine(stampAt(2014, 12, 5, 9, 7), "METRO", 1, 8950, "21"),
            "201412050907,METRO,IN,8950,21\n");
  EXPECT_EQ(recordLine(stampAt(2014, 1, 2, 0, 0), "BUS", 0, 0, "612"),
            "201401020000,BUS,OUT,0,612\n");
}

TEST(RecordLine, NegativeAmountKeepsItsMinusSign) {
  EXPECT_EQ(recordLine(stampAt(2014, 12, 5, 9, 40), "BUS", 1, -150, "61"),
            "201412050940,BUS,IN,-150,61\n");
}

TEST(RecordLine, ContinuedJourneyIdKeepsItsLineFeedOrGetsOne) {
  EXPECT_EQ(recordLine(stampAt(2014, 12, 5, 10, 5), "METRO", 1, 7900, "61\n"),
            "201412051005,METRO,IN,7900,61\n");
  EXPECT_EQ(recordLine(stampAt(2014, 12, 5, 10, 5), "METRO", 1, 7900, "61"),
            "201412051005,METRO,IN,7900,61\n");
}

TEST(RecordLine, TimeColumnFollowsTheClockAsItIs) {
  EXPECT_EQ(recordLine(TimeInfo{}, "BUS", 1, 5, "61"), "000000000,BUS,IN,5,61\n");
  EXPECT_EQ(recordLine(stampAt(2014, 12, 100, 5, 30), "BUS", 1, 5, "61"),
            "2014121000530,BUS,IN,5,61\n");
}

TEST(RecordLine, NewJourneyIdIsIdentifierThenCount) {
  EXPECT_EQ(newJourneyId("2", 1), "21");
  EXPECT_EQ(newJourneyId("2", 10), "210");
  EXPECT_EQ(newJourneyId("6", 12), "612");
  EXPECT_EQ(newJourneyId("4", 1), "41");
}
