#include "bus/bus_controller.h"
#include "bus/bus_filewriter.h"
#include "bus/bus_parsing.h"
#include "common/world_layout.h"
#include "terminal/terminal.h"

// New bus journey ids begin with this number.
inline constexpr const char* kBusIdentifierDigits = "6";

int main() {
  TerminalProfile profile;
  profile.programName = "bus_terminal";
  profile.directory = kBusDir;
  profile.role = "the bus terminal";
  profile.clock = &btime;
  profile.tripLogName = kBusLogName;
  profile.joinsClockReader = false;
  profile.fareController = Calculate_Controller;
  profile.defaultRecord = kBusDefaultRecord;
  profile.transport = kBusTransport;
  profile.identifierDigits = kBusIdentifierDigits;
  profile.journeyCount = &bus_count;
  profile.cardContinues = busContinues;
  profile.tripLogContinues = busContinues;
  profile.displaysBeforeConfirming = true;
  return terminalMain(profile);
}
