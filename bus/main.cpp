#include <signal.h>

#include "bus/bus_controller.h"
#include "bus/bus_filewriter.h"
#include "bus/bus_parsing.h"
#include "common/program_arguments.h"
#include "common/world_layout.h"
#include "terminal/terminal.h"

namespace {

// New bus journey ids begin with this number.
constexpr const char* kBusIdentifierDigits = "6";

constexpr ProgramUsage kUsage{
    "bus_terminal", "", "the fare terminal of the bus, run in the Bus directory of a world", 0};

}  // namespace

int main(int argc, char** argv) {
  // First of all: past a file-size limit a write fails with EFBIG instead
  // of ending the terminal.
  signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> arguments;
  if (const auto status = answerArguments(argc, argv, kUsage, arguments)) return *status;
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
