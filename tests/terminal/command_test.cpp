#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "terminal/command_reader.h"

namespace {

std::vector<CommandLine> readAll(std::string input) {
  FILE* file = fmemopen(input.data(), input.size(), "r");
  std::vector<CommandLine> lines;
  while (auto line = readCommandLine(file)) lines.push_back(*line);
  fclose(file);
  return lines;
}

}  // namespace

TEST(CommandLineInput, LongLineIsOneInvalidLineNotSeveralCommands) {
  const auto lines = readAll(std::string(150, '1') + " IN\n1234 OUT\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].tooLong);
  EXPECT_FALSE(lines[1].tooLong);
  EXPECT_EQ(lines[1].text, "1234 OUT");
}

TEST(CommandLineInput, LastLineWithoutLineFeedStillCounts) {
  const auto lines = readAll(std::string(99, 'a') + "\n" + "1 IN");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_FALSE(lines[0].tooLong);
  EXPECT_EQ(lines[1].text, "1 IN");
}

TEST(TapCommand, DirectionIsExactlyInOrOutAndNothingAfterIt) {
  EXPECT_EQ(parseCommand("1234 IN").tap.tap_inout, 1);
  EXPECT_EQ(parseCommand("1234 OUT").tap.tap_inout, 0);
  const ParsedCommand spaced = parseCommand("   1234     IN   ");
  EXPECT_EQ(spaced.kind, CommandKind::Tap);
  EXPECT_EQ(spaced.tap.card, "1234");
  EXPECT_EQ(spaced.tap.tap_inout, 1);
  // Each of these was once charged, most as an exit.
  for (const char* line : {"1234 in", "1234 INX", "1234 I", "1234 BALANCE", "1234 Out",
                           "1234 IN extra", "1234 OUT IN", "1234 IN\r"}) {
    EXPECT_EQ(parseCommand(line).kind, CommandKind::Invalid) << line;
  }
}

TEST(TapCommand, BlankAndOneWordLines) {
  EXPECT_EQ(parseCommand("").kind, CommandKind::Blank);
  EXPECT_EQ(parseCommand("    ").kind, CommandKind::Blank);
  EXPECT_EQ(parseCommand("1234").kind, CommandKind::Invalid);
  // A tab belongs to a word: "1234\tIN" is one word.
  EXPECT_EQ(parseCommand("1234\tIN").kind, CommandKind::Invalid);
}

TEST(CardNumber, OneTo64LettersDigitsDashesAndUnderscores) {
  EXPECT_TRUE(isValidCardNumber("1234"));
  EXPECT_TRUE(isValidCardNumber("a-B_9"));
  EXPECT_TRUE(isValidCardNumber(std::string(64, '7')));
  EXPECT_FALSE(isValidCardNumber(std::string(65, '7')));
  EXPECT_FALSE(isValidCardNumber(""));
  for (const char* bad : {"../1234", "a.b", "a/b", "a:b", "12\\34", "caf\xc3\xa9", "a\x01"}) {
    EXPECT_FALSE(isValidCardNumber(bad)) << bad;
  }
}

TEST(TapCommand, CardNumberThatCannotBeAFileNameIsRejected) {
  EXPECT_EQ(parseCommand("../../etc/passwd IN").kind, CommandKind::InvalidCard);
  EXPECT_EQ(parseCommand("1234.txt OUT").kind, CommandKind::InvalidCard);
  EXPECT_EQ(parseCommand("1234 IN").kind, CommandKind::Tap);
}
