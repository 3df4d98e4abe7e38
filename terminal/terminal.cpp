#include "terminal/terminal.h"

#include <thread>

#include "common/console.h"
#include "common/role_lock.h"
#include "common/world_layout.h"
#include "common/world_place.h"
#include "terminal/clock_reader.h"
#include "terminal/command_reader.h"
#include "terminal/console_texts.h"
#include "terminal/fare_decision.h"
#include "terminal/record_writer.h"
#include "terminal/tap_intent.h"
#include "terminal/trip_log_hand_over.h"

namespace {

// A terminal away from its place in a world is given no world; a role
// another process holds, or a tap it cannot complete, is a refusal.
constexpr int kNoWorldStatus = 2;
constexpr int kRoleHeldStatus = 1;
constexpr int kIncompleteTapStatus = 1;
// A card replaced again and again while its tap is in hand gets no charge.
constexpr int kCardLookups = 3;

// Before any thread: nullopt when the terminal may serve taps, otherwise
// the exit status after the one line that says why not.
std::optional<int> prepareToServe(const TerminalProfile& profile) {
  const std::string name = profile.programName + ": ";
  if (const auto missing = missingFromPlace({profile.directory, {kCustomerDir}})) {
    errorWrite(name + "must run in the " + profile.directory + " directory of a world (" +
               missing->text() + ")\n");
    return kNoWorldStatus;
  }
  if (const auto held =
          claimRole(kProgramWorldRoot, profile.role, roleLockName(profile.tripLogName))) {
    errorWrite(name + profile.role + " is " + held->text() + "\n");
    return kRoleHeldStatus;
  }
  const std::string intent = intentName(profile.tripLogName);
  const IntentOutcome note = completeIntent(intent, profile.tripLogName);
  switch (note.fate) {
    case IntentFate::Incomplete:
      errorWrite(name + "the tap a stopped run left half recorded cannot be completed (" +
                 note.problem->text() + ")\n");
      return kIncompleteTapStatus;
    case IntentFate::SetAside:
      errorWrite(name + intent + " is no tap note this terminal wrote; set aside as " +
                 note.detail + "\n");
      break;
    case IntentFate::None:
      break;
  }
  return std::nullopt;
}

}  // namespace

int terminalMain(const TerminalProfile& profile) {
  if (const auto status = prepareToServe(profile)) return *status;
  useTerminalProfile(profile);
  openTapFiles(profile.tripLogName);
  std::thread clockReader(timereader, nullptr);
  std::thread clockDisplay(time_Display, nullptr);
  std::thread commandReader(reader, nullptr);
  std::thread fareController(profile.fareController, nullptr);
  std::thread logHandOver(fileInitializer, nullptr);
  logHandOver.detach();
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

std::string serveTap(const TerminalRules& rules) {
  int& count = *terminal().journeyCount;
  for (int lookups = 1;; ++lookups) {
    const Charge charge = decide(tap_in_hand, rules, count);
    if (!charge.charged()) {
      releaseCard();
      return tapOutput(charge, rules);
    }
    const RecordOutcome outcome = recordTap(tap_in_hand, tapRecords(tap_in_hand, rules, charge));
    if (outcome == RecordOutcome::Written) {
      count = charge.journeyCount;
      return tapOutput(charge, rules);
    }
    if (outcome != RecordOutcome::CardChanged) return failureText(outcome);
    // Not charged: the card changed while the tap was in hand.
    if (lookups == kCardLookups) return kCardfileChangedText;
    if (!loadTap()) return "";  // the lookup said why
  }
}

void serveTaps(const TerminalRules& rules) {
  for (;;) {
    tap_pending.await();
    // The tap's output and the prompt for the next command, in one write:
    // nothing is shown between them.
    consoleWrite(serveTap(rules) + kPromptText);
    tap_finished.post();
  }
}
