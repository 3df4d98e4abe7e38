#include "terminal/tap.h"

#include "common/console.h"
#include "common/world_layout.h"
#include "terminal/clock_reader.h"
#include "terminal/console_texts.h"
#include "terminal/terminal_profile.h"

Tap tap_in_hand;
CardInfo& cinfo = tap_in_hand.records.last;
CardInfo& ocinfo = tap_in_hand.records.before;
TimeInfo& tap_time = tap_in_hand.clock;

namespace {

// The clock file as the taps read it, apart from the clock reader's buffer
// so that a tap's reading never shows on the clock line. Used by one thread
// at a time: the reader, or the fare controller deciding a tap again while
// the reader waits.
ClockBuffer tap_clock_buffer{};

}  // namespace

bool parser() {
  CardLookup lookup = lookUpCard(cardFilePath(cinfo.card), terminal().rules.defaultRecord);
  switch (lookup.status) {
    case LookupStatus::OpenFailed:
      consoleWrite(kFileOpenFailedText);
      return false;
    case LookupStatus::ReadError:
      consoleWrite(kCardfileReadErrorText);
      return false;
    case LookupStatus::Found:
      break;
  }
  CardRecords& records = tap_in_hand.records;
  takeRecord(records.last, lookup.records.last);
  records.before = std::move(lookup.records.before);
  records.credited = lookup.records.credited;
  records.endsWithLineFeed = lookup.records.endsWithLineFeed;
  tap_in_hand.held = std::move(lookup.held);
  return true;
}

bool loadTap() {
  if (!parser()) return false;
  // Read under the card's lock: a tap of the same card at another terminal
  // reads the clock after this one has written, so stamps follow charges.
  tap_time = readTapClock(terminal().clock->get(), tap_clock_buffer);
  return true;
}

void releaseCard() {
  tap_in_hand.held = HeldCard();
}

int timeLag(TimeInfo t) {
  return lagMinutes(tap_time, t);
}
