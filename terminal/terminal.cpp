#include "terminal/terminal.h"

#include <signal.h>

#include <thread>

#include "terminal/clock_reader.h"
#include "terminal/command_reader.h"
#include "terminal/trip_log_clearing.h"

namespace {
TerminalProfile activeProfile;
}  // namespace

CardInfo cinfo;
CardInfo ocinfo;
TimeInfo tap_time;

Handoff tap_pending, tap_finished, clock_ready, read_requested;

const TerminalProfile& terminal() {
  return activeProfile;
}

void useTerminalProfile(const TerminalProfile& profile) {
  activeProfile = profile;
}

int terminalMain(const TerminalProfile& profile) {
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
    tap_finished.post();
  }
}
