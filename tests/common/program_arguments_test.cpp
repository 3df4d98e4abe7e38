#include "common/program_arguments.h"

#include <gtest/gtest.h>

TEST(ProgramArguments, HelpWinsUnknownOptionsAndExtraArgumentsAreRefused) {
  struct Case {
    std::vector<std::string_view> words;
    size_t max;
    ArgumentVerdict verdict;
    std::vector<std::string> arguments;
    const char* problem;
  };
  const std::vector<Case> cases = {
      {{}, 0, ArgumentVerdict::Run, {}, ""},
      {{"2"}, 1, ArgumentVerdict::Run, {"2"}, ""},
      {{}, 1, ArgumentVerdict::Run, {}, ""},
      {{"-3"}, 1, ArgumentVerdict::Run, {"-3"}, ""},  // a number, for the program to judge
      {{"--help"}, 1, ArgumentVerdict::Help, {}, ""},
      {{"2", "-h"}, 1, ArgumentVerdict::Help, {}, ""},
      {{"--bogus", "--help"}, 0, ArgumentVerdict::Help, {}, ""},
      {{"--bogus"}, 1, ArgumentVerdict::Refuse, {}, "unknown option \"--bogus\""},
      {{"2", "-x"}, 1, ArgumentVerdict::Refuse, {}, "unknown option \"-x\""},
      {{"2", "3"}, 1, ArgumentVerdict::Refuse, {}, "one argument too many: \"3\""},
      {{"extra"}, 0, ArgumentVerdict::Refuse, {}, "one argument too many: \"extra\""},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string_view word : c.words) line += std::string(word) + " ";
    SCOPED_TRACE(line);
    const ArgumentCheck check = checkArguments(c.words, c.max);
    EXPECT_EQ(check.verdict, c.verdict);
    EXPECT_EQ(check.arguments, c.arguments);
    EXPECT_EQ(check.problem, c.problem);
  }
  EXPECT_EQ(usageLine({"metro_terminal", "STATION", "", 1}), "usage: metro_terminal STATION");
  EXPECT_EQ(usageLine({"bus_terminal", "", "", 0}), "usage: bus_terminal");
}
