#include "terminal/terminal.h"

#include <thread>

#include "common/console.h"
#include "common/role_lock.h"
#include "common/world_layout.h"
#include "common/world_place.h"
#include "terminal/card_lookup.h"
#include "terminal/clock_reader.h"
#include "terminal/command_reader.h"
#include "terminal/console_texts.h"
#include "terminal/record_writer.h"
#include "terminal/tap_intent.h"
#include "terminal/trip_log_clearing.h"

namespace {
TerminalProfile activeProfile;
}  // namespace

CardInfo cinfo;
CardInfo ocinfo;
HeldCard card_lock;
TimeInfo tap_time;

Handoff tap_pending, tap_finished, clock_ready, read_requested;

const TerminalProfile& terminal() {
  return activeProfile;
}

void useTerminalProfile(const TerminalProfile& profile) {
  activeProfile = profile;
}

namespace {

constexpr int kRefusedStatus = 2;
constexpr int kIncompleteTapStatus = 1;
// A card replaced again and again while its tap is in hand gets no charge.
constexpr int kCardLookups = 3;

// Before any thread: nullopt when the terminal may serve taps, otherwise
// the exit status after the one line that says why not.
std::optional<int> prepareToServe(const TerminalProfile& profile) {
  const std::string name = profile.programName + ": ";
  if (const auto missing = missingFromPlace({profile.directory, {kCustomerDir}})) {
    errorWrite(name + "must run in the " + profile.directory + " directory of a world (" +
               *missing + ")\n");
    return kRefusedStatus;
  }
  if (const auto held =
          claimRole(kProgramWorldRoot, profile.role, roleLockName(profile.tripLogName))) {
    errorWrite(name + profile.role + " is " + *held + "\n");
    return kRefusedStatus;
  }
  const std::string intent = intentName(profile.tripLogName);
  const IntentOutcome note = completeIntent(intent, profile.tripLogName);
  switch (note.fate) {
    case IntentFate::Incomplete:
      errorWrite(name + "the tap a stopped run left half recorded cannot be completed (" +
                 note.detail + ")\n");
      return kIncompleteTapStatus;
    case IntentFate::SetAside:
      errorWrite(name + intent + " is no tap note this terminal wrote; set aside as " +
                 note.detail + "\n");
      break;
    case IntentFate::RemovedEmpty:
      errorWrite(name + intent + " was empty and has been removed\n");
      break;
    case IntentFate::None:
      break;
  }
  return std::nullopt;
}

// Applies the fare rules to the tap in hand. When the card changed while
// the tap was in hand, the tap was not charged: the card is looked up and
// the tap decided again, at most kCardLookups times in all.
void decideTap(void (*fareRules)()) {
  for (int lookups = 1;; ++lookups) {
    card_changed = false;
    fareRules();
    if (!card_changed) return;
    if (lookups == kCardLookups) {
      consoleWrite(kCardfileChangedText);
      return;
    }
    if (!loadTap()) return;
  }
}

}  // namespace

int terminalMain(const TerminalProfile& profile) {
  if (const auto status = prepareToServe(profile)) return *status;
  useTerminalProfile(profile);
  std::thread clockReader(timereader, nullptr);
  std::thread clockDisplay(time_Display, nullptr);
  std::thread commandReader(reader, nullptr);
  std::thread fareController(profile.fareController, nullptr);
  std::thread logClearing(fileInitializer, nullptr);
  logClearing.detach();
  if (profile.joinsClockReader) {
    clockReader.join();
  } else {
    clockReader.detach();
  }
  clockDisplay.join();
  commandReader.join();
  fareController.join();
  return 0;
}

void serveTaps(void (*fareRules)()) {
  for (;;) {
    tap_pending.await();
    decideTap(fareRules);
    releaseCard();  // a tap that produced nothing still held its card
    tap_finished.post();
  }
}
