// The command reader: prompts "COMMAND LINE_:", reads one tap command
// ("1234 IN"), loads the card and hands the tap to the fare controller,
// then waits until the tap is finished before prompting again.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* kPromptText = "COMMAND LINE_:";
inline constexpr size_t kCommandMaxLength = 99;

// One line of standard input, without its line feed. `tooLong` is set when
// the line had more than kCommandMaxLength characters; the whole line is
// consumed either way, so a long line never turns into several commands.
struct CommandLine {
  std::string text;
  bool tooLong = false;
};

// Reads the next line; nullopt at the end of input with nothing read.
std::optional<CommandLine> readCommandLine(FILE* input);

// A tap command split at spaces: the card number and the direction word.
struct TapCommand {
  std::string card;
  int tap_inout = 0;  // 1 when the direction word begins with "IN"
};

// What a command line asks for.
enum class CommandKind { Blank, Invalid, Tap };
struct ParsedCommand {
  CommandKind kind = CommandKind::Blank;
  TapCommand tap;
};

ParsedCommand parseCommand(std::string_view line);

void reader(void*);
