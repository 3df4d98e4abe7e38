#include "common/base/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <vector>

TEST(ReadInt, ReadsLikeAtoi) {
  EXPECT_EQ(readInt("1234"), 1234);
  EXPECT_EQ(readInt("  \t-150,rest"), -150);
  EXPECT_EQ(readInt("+7x"), 7);
  EXPECT_EQ(readInt("x12"), 0);
  EXPECT_EQ(readInt(""), 0);
  EXPECT_EQ(readInt("-"), 0);
  EXPECT_EQ(readInt("12050008\n"), 12050008);
}

TEST(ReadInt, SaturatesAtThe32BitLimits) {
  EXPECT_EQ(readInt("2147483647"), INT_MAX);
  EXPECT_EQ(readInt("2147483648"), INT_MAX);
  EXPECT_EQ(readInt("99999999999999999999999"), INT_MAX);
  EXPECT_EQ(readInt("-2147483648"), INT_MIN);
  EXPECT_EQ(readInt("-2147483649"), INT_MIN);
  EXPECT_EQ(readInt("-99999999999999999999999"), INT_MIN);
}

TEST(DecimalNumber, DigitsOnlyWholeAndInRangeAMinusOnlyWhenAllowed) {
  struct Case {
    const char* text;
    Minus minus;
    std::optional<int> value;
  };
  for (const Case& c : std::vector<Case>{
           {"0", Minus::Refused, 0},
           {"0042", Minus::Refused, 42},
           {"2147483647", Minus::Refused, INT_MAX},
           {"2147483648", Minus::Refused, std::nullopt},
           {"", Minus::Refused, std::nullopt},
           {"12 ", Minus::Refused, std::nullopt},
           {" 12", Minus::Refused, std::nullopt},
           {"+12", Minus::Allowed, std::nullopt},
           {"1x", Minus::Refused, std::nullopt},
           {"-12", Minus::Refused, std::nullopt},
           {"-12", Minus::Allowed, -12},
           {"-2147483648", Minus::Allowed, INT_MIN},
           {"-", Minus::Allowed, std::nullopt},
       }) {
    EXPECT_EQ(decimalNumber<int>(c.text, c.minus), c.value) << '"' << c.text << '"';
  }
  EXPECT_EQ(decimalNumber<uint64_t>("18446744073709551615"), UINT64_MAX);
  EXPECT_EQ(decimalNumber<uint64_t>("-1", Minus::Allowed), std::nullopt);
  EXPECT_TRUE(isDecimalDigits("0123456789"));
  EXPECT_FALSE(isDecimalDigits(""));
  EXPECT_FALSE(isDecimalDigits("12a"));
}

TEST(SplitFields, RunsOfSeparatorsCountAsOneAndLineFeedStays) {
  const auto fields = splitFields(",,201412050907,,METRO,IN,8950,21\n", ',');
  ASSERT_EQ(fields.size(), 5u);
  EXPECT_EQ(fields[0], "201412050907");
  EXPECT_EQ(fields[1], "METRO");
  EXPECT_EQ(fields[4], "21\n");
  EXPECT_TRUE(splitFields("   ", ' ').empty());
  EXPECT_TRUE(splitFields("", ',').empty());
  EXPECT_EQ(splitFields("a\tb c", ' ').size(), 2u);
}

TEST(TimeText, OneZeroBeforeValuesFromMinusNineToNineOnly) {
  EXPECT_EQ(timeField(0), "00");
  EXPECT_EQ(timeField(9), "09");
  EXPECT_EQ(timeField(10), "10");
  EXPECT_EQ(timeField(-3), "0-3");
  EXPECT_EQ(timeField(-9), "0-9");
  EXPECT_EQ(timeField(-10), "-10");
  EXPECT_EQ(timeField(100), "100");
  EXPECT_EQ(timeText(2014, 12, 5, 9, 7), "201412050907");
  EXPECT_EQ(timeText(2014, 1, 2, 0, 0), "201401020000");
  EXPECT_EQ(timeText(0, 0, 0, 0, 0), "000000000");
  EXPECT_EQ(timeText(2014, 12, 100, 5, 30), "2014121000530");
}
