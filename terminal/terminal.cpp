#include "terminal/terminal.h"

#include <utility>

#include "terminal/console_texts.h"
#include "terminal/fare_decision.h"

namespace {

// A card replaced again and again while its tap is in hand gets no charge.
constexpr int kCardLookups = 3;

}  // namespace

Terminal::Terminal(const TerminalProfile& terminalProfile)
    : profile(terminalProfile), files(terminalProfile.tripLogName) {}

TapLoad loadTap(const TapCommand& command, Terminal& terminal) {
  TapLoad load = parser(command, terminal.profile.rules.defaultRecord);
  // Read under the card's lock: a tap of the same card at another terminal
  // reads the clock after this one has written, so stamps follow charges.
  if (load.tap)
    load.tap->clock =
        readTapClock(terminal.clock.get(), terminal.tapClockBuffer, terminal.tapClockCache);
  return load;
}

std::string serveTap(Tap tap, Terminal& terminal) {
  const TerminalRules& rules = terminal.profile.rules;
  for (int lookups = 1;; ++lookups) {
    if (lookups > 1) {
      // The card changed while the tap was in hand and nothing was charged:
      // the card is looked up again, and the tap decided afresh.
      TapLoad again = loadTap(tap.command(), terminal);
      if (!again.tap) return std::string(again.failure);
      tap = std::move(*again.tap);
    }
    // The rules have their say before anything is written: the charge,
    // what the tap shows once recorded, and its records.
    const Charge charge = decide(tap, rules, terminal.journeyCount);
    const std::string shown = tapOutput(charge, rules);
    if (!charge.charged()) {
      tap.held = HeldCard();
      return shown;
    }
    const TapRecords records = tapRecords(tap, rules, charge);
    const RecordOutcome outcome = terminal.files.record(tap, records);
    if (outcome == RecordOutcome::Written) {
      terminal.journeyCount = charge.journeyCount;
      return shown;
    }
    if (outcome != RecordOutcome::CardChanged) return failureText(outcome);
    if (lookups == kCardLookups) return kCardfileChangedText;
  }
}

void serveTaps(Terminal& terminal) {
  for (;;) {
    // The tap, and with it its card, is gone before its answer is posted.
    std::string shown = serveTap(terminal.tap_pending.await(), terminal);
    terminal.tap_finished.post(std::move(shown));
  }
}
