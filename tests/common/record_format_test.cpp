// What a record means, read the one way every program reads it: the
// operator a transport word names (the settlement's three characters, the
// terminals' whole word), the time key of a time text, and where a journey
// began.
#include "common/formats/record_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "common/formats/time_info.h"

TEST(RecordMeaning, TransportWordsNameOperatorsByPrefixOrByWholeWord) {
  const std::optional<Operator> none;
  const struct {
    const char* word;
    std::optional<Operator> byPrefix;
    std::optional<Operator> byWord;
  } rows[] = {
      {"BUS", kBusOperator, kBusOperator},
      {"METRO", kMetroOperator, kMetroOperator},
      {"BUSX", kBusOperator, none},
      {"MET", kMetroOperator, none},
      {"METROPOLIS", kMetroOperator, none},
      {"BU", none, none},
      {"bus", none, none},
      {"TOPUP", none, none},
      {"NEW", none, none},
      {"", none, none},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(operatorOf(row.word), row.byPrefix) << row.word;
    EXPECT_EQ(exactOperatorOf(row.word), row.byWord) << row.word;
  }
  for (const Operator op : {kBusOperator, kMetroOperator}) {
    EXPECT_EQ(exactOperatorOf(transportWord(op)), op);
  }
}

TEST(RecordMeaning, TimeKeyIsTheNumberAfterTheYear) {
  const struct {
    const char* text;
    int key;
  } rows[] = {
      {"201412050008", 12050008},
      {"2014121000008", 121000008},
      {"000000000", 0},
      {"201401020000", 1020000},
      {"2014", 0},
      {"201", 0},
      {"", 0},
      {"2014 -5x", -5},
      {"9999120500089999", INT_MAX},
      {"20,41205", 1205},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(timeKey(row.text), row.key) << row.text;
    EXPECT_EQ(timeKeyAfterYear(afterYear(row.text)), row.key) << row.text;
  }
}

TEST(RecordMeaning, JourneyOriginIsTheFirstDigit) {
  const struct {
    const char* id;
    int number;
    Operator origin;
  } rows[] = {
      {"21\n", 2, kMetroOperator}, {"61\n", 6, kBusOperator}, {"5", 5, kMetroOperator},
      {"6", 6, kBusOperator},      {"99", 9, kBusOperator},   {"x7", 0, kMetroOperator},
      {"\n", 0, kMetroOperator},   {"", 0, kMetroOperator},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(journeyOriginNumber(row.id), row.number) << row.id;
    EXPECT_EQ(journeyOrigin(row.id), row.origin) << row.id;
  }
  EXPECT_EQ(journeyOrigin(std::to_string(kBusTerminalNumber)), kBusOperator);
}

TEST(TimeText, SplitsByLayoutWithTheDayTakingWhatIsLeft) {
  const auto fields = splitTimeText("201412050907");
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->year, "2014");
  EXPECT_EQ(fields->month, "12");
  EXPECT_EQ(fields->day, "05");
  EXPECT_EQ(fields->hour, "09");
  EXPECT_EQ(fields->minute, "07");
  const auto day100 = splitTimeText("2014121000530");
  ASSERT_TRUE(day100);
  EXPECT_EQ(day100->day, "100");
  EXPECT_EQ(day100->hour, "05");
  EXPECT_EQ(day100->minute, "30");
  EXPECT_FALSE(splitTimeText("20141205090"));
  EXPECT_FALSE(splitTimeText(""));
}

TEST(TimeText, TimesOrderByYearThenMonthDayHourMinute) {
  const TimeInfo t(2014, 12, 5, 9, 7);
  EXPECT_EQ(timeText(t), "201412050907");
  EXPECT_EQ(t.minute, 7);
  EXPECT_EQ(t.year, 2014);
  EXPECT_LT(t, TimeInfo(2014, 12, 5, 9, 8));
  EXPECT_LT(t, TimeInfo(2014, 12, 5, 10, 0));
  EXPECT_LT(t, TimeInfo(2014, 12, 100, 0, 0));
  EXPECT_LT(t, TimeInfo(2015, 1, 1, 0, 0));
  EXPECT_GT(t, TimeInfo(2014, 11, 30, 23, 59));
  EXPECT_LT(TimeInfo(), t);
}
