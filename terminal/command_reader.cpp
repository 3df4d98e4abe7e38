#include "terminal/command_reader.h"

#include <cstdlib>

#include "common/console.h"
#include "common/record_format.h"
#include "common/text.h"
#include "terminal/clock_reader.h"
#include "terminal/console_texts.h"
#include "terminal/tap.h"
#include "terminal/terminal_profile.h"

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

void reader(void*) {
  // Commands piped in at start would otherwise outrun the first reading of
  // a clock file that is there.
  clock_tried.await();
  // After a tap the fare controller shows the prompt with the tap's output.
  bool prompted = false;
  for (;;) {
    if (!prompted) consoleWrite(kPromptText);
    prompted = false;
    const std::optional<CommandLine> line = readCommandLine(stdin);
    if (!line) {
      // End of input: the tap before is finished (we waited for it), so
      // nothing is in hand. Skip static destructors: other threads still run.
      fflush(stdout);
      std::_Exit(0);
    }
    const ParsedCommand command =
        line->tooLong ? ParsedCommand{CommandKind::Invalid, {}} : parseCommand(line->text);
    if (command.kind == CommandKind::Blank) continue;
    if (command.kind == CommandKind::Invalid) {
      consoleWrite(kInvalidCommandText);
      continue;
    }
    if (command.kind == CommandKind::InvalidCard) {
      consoleWrite(kInvalidCardText);
      continue;
    }
    // Without a clock no tap is timed, stamped or charged.
    if (!clockWasRead(terminal().clock->get())) {
      consoleWrite(kTimeReadErrorText);
      continue;
    }
    cinfo.card = command.tap.card;
    cinfo.tap_inout = command.tap.tap_inout;
    if (!loadTap()) continue;  // no card loaded: the tap is dropped
    tap_pending.post();
    tap_finished.await();
    prompted = true;
  }
}
