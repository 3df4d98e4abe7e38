#include "terminal/command_reader.h"

#include <cstdlib>
#include <utility>

#include "common/base/text.h"
#include "common/formats/record_format.h"
#include "common/process/console.h"
#include "common/process/process_calls.h"
#include "terminal/console_texts.h"
#include "terminal/terminal.h"

std::optional<CommandLine> readCommandLine(FILE* input) {
  CommandLine line;
  int c = 0;
  bool any = false;
  while ((c = getc(input)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (line.text.size() < kCommandMaxLength) {
      line.text.push_back(static_cast<char>(c));
    } else {
      line.tooLong = true;
    }
  }
  if (!any) return std::nullopt;
  return line;
}

ParsedCommand parseCommand(std::string_view line) {
  ParsedCommand parsed;
  const auto words = splitFields(line, ' ');
  if (words.empty()) return parsed;
  // A mistyped direction is no tap: taken as an exit, it would charge one.
  const bool entry = words.size() == 2 && words[1] == kEntryDirection;
  if (!entry && !(words.size() == 2 && words[1] == kExitDirection)) {
    parsed.kind = CommandKind::Invalid;
    return parsed;
  }
  parsed.kind = isValidCardNumber(words[0]) ? CommandKind::Tap : CommandKind::InvalidCard;
  parsed.tap.card = std::string(words[0]);
  parsed.tap.tap_inout = entry ? 1 : 0;
  return parsed;
}

namespace {

// What the console shows for the command `line`: for a tap, once its card
// is looked up and the fare controller has served it (the reader waits).
std::string answer(const CommandLine& line, Terminal& terminal) {
  const ParsedCommand command =
      line.tooLong ? ParsedCommand{CommandKind::Invalid, {}} : parseCommand(line.text);
  switch (command.kind) {
    case CommandKind::Blank:
      return "";
    case CommandKind::Invalid:
      return kInvalidCommandText;
    case CommandKind::InvalidCard:
      return kInvalidCardText;
    case CommandKind::Tap:
      break;
  }
  // Without a clock no tap is timed, stamped or charged.
  if (!clockWasRead(terminal.clock.get())) return kTimeReadErrorText;
  TapLoad load = loadTap(command.tap, terminal);
  if (!load.tap) return std::string(load.failure);  // no card loaded: the tap is dropped
  terminal.tap_pending.post(std::move(*load.tap));
  return terminal.tap_finished.await();
}

}  // namespace

void reader(Terminal& terminal) {
  // Commands piped in at start would otherwise outrun the first reading of
  // a clock file that is there.
  terminal.clock_tried.await();
  std::string shown;
  for (;;) {
    // What the command before showed and the prompt for the next, in one
    // write: nothing is shown between them.
    consoleWrite(shown + kPromptText);
    const std::optional<CommandLine> line = readCommandLine(stdin);
    if (!line) {
      // End of input: the tap before is finished (we waited for it), so
      // nothing is in hand. Skip static destructors: other threads still run.
      fflush(stdout);
      endProcessNow(0);
    }
    shown = answer(*line, terminal);
  }
}
