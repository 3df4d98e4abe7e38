#include "bus/bus_controller.h"
#include "common/files/world_layout.h"
#include "common/process/console.h"
#include "common/process/program_arguments.h"
#include "terminal/terminal_main.h"

namespace {

constexpr ProgramUsage kUsage{
    "bus_terminal", "", "the fare terminal of the bus, run in the Bus directory of a world", 0};

}  // namespace

int main(int argc, char** argv) {
  // First of all: past a file-size limit a write fails with EFBIG instead
  // of ending the terminal.
  ignoreFileSizeSignal();
  std::vector<std::string> arguments;
  if (const auto status = answerArguments(argc, argv, kUsage, arguments)) return *status;
  TerminalProfile profile;
  profile.programName = "bus_terminal";
  profile.directory = kBusDir;
  profile.role = "the bus terminal";
  profile.tripLogName = kBusLogName;
  profile.joinsClockReader = false;
  profile.fareController = bus::Calculate_Controller;
  profile.rules = bus::rules();
  return terminalMain(profile);
}
