#include "terminal/command_reader.h"

#include <cstdlib>

#include "common/console.h"
#include "common/record_format.h"
#include "common/text.h"
#include "terminal/card_lookup.h"
#include "terminal/clock_reader.h"
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

bool isValidCardNumber(std::string_view card) {
  if (card.empty() || card.size() > kCardNumberMaxLength) return false;
  for (const char c : card) {
    const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                         (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!allowed) return false;
  }
  return true;
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

// The clock file as the taps read it, apart from the clock reader's buffer
// so that a tap's reading never shows on the clock line. Used by one thread
// at a time: the reader, or the fare controller deciding a tap again while
// the reader waits.
ClockBuffer tap_clock_buffer{};

}  // namespace

bool loadTap() {
  if (!parser()) return false;
  // Read under the card's lock: a tap of the same card at another terminal
  // reads the clock after this one has written, so stamps follow charges.
  tap_time = readTapClock(terminal().clock->get(), tap_clock_buffer);
  return true;
}

void reader(void*) {
  for (;;) {
    consoleWrite(kPromptText);
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
  }
}
