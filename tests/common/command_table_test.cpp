// A tool's command table: the first word names a command exactly (never
// another one), its options and arguments are read by the one command line
// rule, and a launcher runs its command alone.
#include "common/process/command_table.h"

#include <gtest/gtest.h>

namespace {

// The tool "tool" with two commands; each handler notes what it was given.
Tool toolNoting(std::string& ran) {
  const auto note = [&ran](std::string_view name) {
    return [&ran, name](const CommandCall& call) {
      ran = std::string(name);
      for (const std::string& argument : call.arguments) ran += " " + argument;
      for (const auto& [option, value] : call.options) ran += " " + option + "=" + value;
      return 0;
    };
  };
  return {"tool",
          "a tool to test",
          {{"show", "CARD [WORLD]", 1, 2, {}, "shows", "", note("show")},
           {"draw",
            "[WORLD]",
            0,
            1,
            {{"--all", "", "every cycle"}, {"--svg", "FILE", "a chart"}},
            "draws",
            "scripts/draw",
            note("draw")}}};
}

}  // namespace

TEST(CommandTable, NamesACommandExactlyAndReadsItsCommandLine) {
  struct Case {
    std::vector<std::string> argv;
    int status;
    std::string ran;  // empty: no command ran
  };
  const std::vector<Case> cases = {
      {{"tool", "show", "1234"}, 0, "show 1234"},
      {{"tool", "sho", "1234"}, 2, ""},
      {{"tool", "shows", "1234"}, 2, ""},
      {{"tool"}, 2, ""},
      {{"tool", "show"}, 2, ""},
      {{"tool", "show", "1", "w", "x"}, 2, ""},
      {{"tool", "show", "--all", "1"}, 2, ""},
      {{"tool", "draw", "--svg"}, 2, ""},
      {{"tool", "draw", "--svg", "c.svg", "--all", "w"}, 0, "draw w --all= --svg=c.svg"},
      {{"tool", "show", "--", "-x"}, 0, "show -x"},
      {{"tool", "show", "-7"}, 0, "show -7"},
      {{"tool", "show", "--help"}, 0, ""},
      {{"scripts/tool", "draw"}, 0, "draw"},
      {{"scripts/draw", "--all", "show"}, 0, "draw show --all="},
      {{"scripts/draw", "1", "2"}, 2, ""},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& word : c.argv) line += word + " ";
    SCOPED_TRACE(line);
    std::string ran;
    const Tool tool = toolNoting(ran);
    std::vector<std::string> words = c.argv;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    EXPECT_EQ(runTool(tool, static_cast<int>(argv.size()), argv.data()), c.status);
    EXPECT_EQ(ran, c.ran);
  }
}
