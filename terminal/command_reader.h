// The command reader: prompts "COMMAND LINE_:", reads one tap command
// ("1234 IN"), loads the card, reads the clock for the tap while it holds
// the card, and hands the tap to the fare controller, then waits for what
// the tap shows. It prints that and the next prompt in one write: every
// prompt of the terminal is printed here, behind what the command before
// it showed. The reader prompts first once the clock reader has tried to
// read the clock file, so a terminal started beside a readable one times
// its first tap by it. Until the clock has been read a tap is refused with
// "Time read error!" before the card is looked up. A tap is exactly two
// words: a card number and the direction "IN" or "OUT"; anything else
// charges nothing. The card number becomes part of a file path, so only 1
// to 64 characters from A-Z, a-z, 0-9, '-' and '_' are accepted.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "common/files/world_layout.h"
#include "terminal/tap.h"

struct Terminal;

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

// What a command line asks for: nothing (a blank line), a line that is not
// two words with "IN" or "OUT" as the second, a tap on a card number that
// is not accepted, or a tap.
enum class CommandKind { Blank, Invalid, InvalidCard, Tap };
struct ParsedCommand {
  CommandKind kind = CommandKind::Blank;
  TapCommand tap;
};

ParsedCommand parseCommand(std::string_view line);

// The command reader's thread, under the name the system gives it.
void reader(Terminal& terminal);
