#include "terminal/terminal_profile.h"

namespace {
TerminalProfile activeProfile;
}  // namespace

Handoff tap_pending, tap_finished, clock_ready, read_requested, clock_tried;

const TerminalProfile& terminal() {
  return activeProfile;
}

void useTerminalProfile(const TerminalProfile& profile) {
  activeProfile = profile;
}
