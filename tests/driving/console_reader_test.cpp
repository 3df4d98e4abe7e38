// The terminal's console as the driver reads it: answers between prompts,
// clock lines taken out wherever they fall, output cut anywhere.
#include "driving/console_reader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driving/tap_answer.h"

namespace {

struct Case {
  const char* name;
  std::vector<std::string> chunks;
  std::vector<std::string> answers;
  std::string firstClock;  // empty: none came
};

TEST(ConsoleReader, AnswersAreTheTextBetweenPromptsWithoutClockLines) {
  const std::string metro = "Cardfile Write !\nReadefile Write!\nFEE : 1050\nVALANCE : 8950\n";
  const std::vector<Case> cases = {
      {"nothing before the first prompt is an answer", {"COMMAND LINE_:"}, {}, ""},
      {"a clock line right after the prompt",
       {"COMMAND LINE_:2014/ 12/ 7/ 7/ 8\n" + metro + "COMMAND LINE_:"},
       {metro},
       "2014/ 12/ 7/ 7/ 8"},
      {"a clock line after a message without a line end",
       {"COMMAND LINE_:File open failed2014/ 12/ 7/ 10/ 16\nCOMMAND LINE_:"},
       {"File open failed"},
       "2014/ 12/ 7/ 10/ 16"},
      {"a clock line cut between two reads",
       {"COMMAND LINE_:Lack!\n2014/ 12/ 7/", " 7/ 16\nCOMMAND LINE_:"},
       {"Lack!\n"},
       "2014/ 12/ 7/ 7/ 16"},
      {"a prompt cut between two reads, two answers queued",
       {"COMMAND LINE_:Invalid command\nCOMMAND LI", "NE_:" + metro + "COMMAND LINE_:"},
       {"Invalid command\n", metro},
       ""},
      {"a clock line at the start, before the first prompt",
       {"2014/ 12/ 7/ 5/ 0\n", "COMMAND LINE_:"},
       {},
       "2014/ 12/ 7/ 5/ 0"},
      {"digits that are no clock line stay",
       {"COMMAND LINE_:FEE : 2014/ 1\nCOMMAND LINE_:"},
       {"FEE : 2014/ 1\n"},
       ""},
  };
  for (const Case& c : cases) {
    ConsoleReader reader;
    std::vector<std::string> answers;
    for (const std::string& chunk : c.chunks) reader.take(chunk, answers);
    EXPECT_EQ(answers, c.answers) << c.name;
    EXPECT_EQ(reader.firstClock(), c.firstClock) << c.name;
    EXPECT_EQ(reader.sawClock(), !c.firstClock.empty()) << c.name;
    EXPECT_TRUE(reader.prompted()) << c.name;
  }
}

TEST(ConsoleReader, OutputByteByByteGivesTheSameAnswers) {
  const std::string output =
      "2014/ 12/ 7/ 5/ 0\nCOMMAND LINE_:2014/ 12/ 7/ 5/ 8\nFEE : 0\nVALANCE : 10\nCardfile Write "
      "!\nReadefile Write!\nCOMMAND LINE_:File open failed2014/ 12/ 7/ 5/ 8\nCOMMAND LINE_:";
  ConsoleReader reader;
  std::vector<std::string> answers;
  for (const char c : output) reader.take(std::string(1, c), answers);
  const std::vector<std::string> expected = {
      "FEE : 0\nVALANCE : 10\nCardfile Write !\nReadefile Write!\n", "File open failed"};
  EXPECT_EQ(answers, expected);
  EXPECT_EQ(reader.firstClock(), "2014/ 12/ 7/ 5/ 0");
}

TEST(ConsoleReader, JoinedLinesLeaveOutEmptyLines) {
  EXPECT_EQ(joinedLines("FEE : 0\n\nVALANCE : 10\n"), "FEE : 0 | VALANCE : 10");
  EXPECT_EQ(joinedLines("File open failed"), "File open failed");
  EXPECT_EQ(joinedLines(""), "");
}

TEST(TapAnswer, ChargedOnlyWithBothConfirmations) {
  struct Case {
    const char* answer;
    bool charged, lack, clockError;
    std::optional<int> fee, balance;
  };
  const std::vector<Case> cases = {
      {"Cardfile Write !\nReadefile Write!\nFEE : 1050\nVALANCE : 8950\n", true, false, false, 1050,
       8950},
      {"FEE : 0\nVALANCE : -20\nCardfile Write !\nReadefile Write!\n", true, false, false, 0, -20},
      {"FEE : 1050\nVALANCE : 8950\nCardfile Write !\nReaderfile Write Error!\n", false, false,
       false, 1050, 8950},
      {"Lack!\n", false, true, false, std::nullopt, std::nullopt},
      {"Time read error!\n", false, false, true, std::nullopt, std::nullopt},
      {"Invalid command\n", false, false, false, std::nullopt, std::nullopt},
      {"", false, false, false, std::nullopt, std::nullopt},
      {"FEE : 12x\n", false, false, false, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    const TapAnswer read = readTapAnswer(c.answer);
    EXPECT_EQ(read.charged, c.charged) << c.answer;
    EXPECT_EQ(read.lack, c.lack) << c.answer;
    EXPECT_EQ(read.clockError, c.clockError) << c.answer;
    EXPECT_EQ(read.fee, c.fee) << c.answer;
    EXPECT_EQ(read.balance, c.balance) << c.answer;
  }
}

}  // namespace
