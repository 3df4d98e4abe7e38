#include <string>

#include "common/base/text.h"
#include "common/files/world_layout.h"
#include "common/process/console.h"
#include "common/process/program_arguments.h"
#include "metro/Metro_controller.h"
#include "terminal/terminal_main.h"

namespace {

constexpr ProgramUsage kUsage{
    "metro_terminal", "STATION",
    "the fare terminal of metro station STATION (0 to 4), run in the Metro directory of a world",
    1};

}  // namespace

int main(int argc, char** argv) {
  // First of all: past a file-size limit a write fails with EFBIG instead
  // of ending the terminal, also while it prints a refusal.
  ignoreFileSizeSignal();
  std::vector<std::string> arguments;
  if (const auto status = answerArguments(argc, argv, kUsage, arguments)) return *status;
  if (arguments.empty()) {
    consoleWrite("identifier를 입력해야 합니다.\n");
    return kExitUsage;
  }
  const std::optional<int> station = metro::stationNumber(arguments[0]);
  if (!station) {
    errorWrite("metro_terminal: the station must be one of 0, 1, 2, 3, 4 (not \"" + arguments[0] +
               "\")\n");
    return kExitUsage;
  }
  const int identifier = *station;
  TerminalProfile profile;
  profile.programName = "metro_terminal";
  profile.directory = kMetroDir;
  profile.role = "station " + std::to_string(identifier);
  profile.tripLogName = metroLogName(identifier);
  profile.joinsClockReader = true;
  profile.fareController = metro::Calculate_Controller;
  profile.rules = metro::rules(identifier);
  return terminalMain(profile);
}
