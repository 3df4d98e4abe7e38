#include "terminal/terminal_main.h"

#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "common/base/exit_status.h"
#include "common/files/world_layout.h"
#include "common/files/world_place.h"
#include "common/process/console.h"
#include "common/process/role_lock.h"
#include "terminal/clock_threads.h"
#include "terminal/command_reader.h"
#include "terminal/tap_intent.h"
#include "terminal/trip_log_hand_over.h"

namespace {

// Before any thread: nullopt when the terminal may serve taps, otherwise
// the exit status after the one line that says why not.
std::optional<int> prepareToServe(const TerminalProfile& profile) {
  const std::string name = profile.programName + ": ";
  if (const Result<void> placed = checkPlace({profile.directory, {kCustomerDir}}); !placed) {
    errorWrite(name + "must run in the " + profile.directory + " directory of a world (" +
               placed.problem()->text() + ")\n");
    return kExitUsage;  // away from its place in a world
  }
  if (const Result<void> claimed =
          claimRole(kProgramWorldRoot, profile.role, roleLockName(profile.tripLogName));
      !claimed) {
    errorWrite(name + profile.role + " is " + claimed.problem()->text() + "\n");
    return kExitRefused;
  }
  const std::string intent = intentName(profile.tripLogName);
  const Result<IntentOutcome> note = completeIntent(intent, profile.tripLogName);
  if (const Problem* problem = note.problem()) {
    errorWrite(name + "the tap a stopped run left half recorded cannot be completed (" +
               problem->text() + ")\n");
    return kExitRefused;
  }
  if (note->fate == IntentFate::SetAside) {
    errorWrite(name + intent + " is no tap note this terminal wrote; set aside as " + note->detail +
               "\n");
  }
  return std::nullopt;
}

}  // namespace

int terminalMain(const TerminalProfile& profile) {
  if (const auto status = prepareToServe(profile)) return *status;
  Terminal terminal(profile);
  std::thread clockReader(timereader, std::ref(terminal));
  std::thread clockDisplay(time_Display, std::ref(terminal));
  std::thread commandReader(reader, std::ref(terminal));
  std::thread fareController(profile.fareController, std::ref(terminal));
  std::thread logHandOver(fileInitializer, std::ref(terminal));
  // No thread ends: the terminal outlives them all, the detached ones too.
  logHandOver.detach();
  if (profile.joinsClockReader) {
    clockReader.join();
  } else {
    clockReader.detach();
  }
  clockDisplay.join();
  commandReader.join();
  fareController.join();
  return kExitDone;
}
