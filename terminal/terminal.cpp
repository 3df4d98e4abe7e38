#include "terminal/terminal.h"

#include <signal.h>

#include <thread>

#include "common/console.h"
#include "common/role_lock.h"
#include "common/world_layout.h"
#include "common/world_place.h"
#include "terminal/card_lookup.h"
#include "terminal/clock_reader.h"
#include "terminal/command_reader.h"
#include "terminal/tap_intent.h"
#include "terminal/trip_log_clearing.h"

namespace {
TerminalProfile activeProfile;
}  // namespace

CardInfo cinfo;
CardInfo ocinfo;
FileDescriptor card_lock;
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
  if (const auto problem = completeIntent(intentName(profile.tripLogName))) {
    errorWrite(name + "the tap a stopped run left half recorded cannot be completed (" + *problem +
               ")\n");
    return kIncompleteTapStatus;
  }
  return std::nullopt;
}

}  // namespace

int terminalMain(const TerminalProfile& profile) {
  if (const auto status = prepareToServe(profile)) return *status;
  useTerminalProfile(profile);
  // A write past the file-size limit fails with EFBIG instead of ending the
  // terminal, so a full disk is reported and the tap taken back.
  signal(SIGXFSZ, SIG_IGN);
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
    fareRules();
    releaseCard();  // a tap that produced nothing still held its card
    tap_finished.post();
  }
}
