#include <string>

#include "common/console.h"
#include "common/text.h"
#include "common/world_layout.h"
#include "metro/Metro_controller.h"
#include "metro/Metro_filewriter.h"
#include "metro/Metro_parsing.h"
#include "terminal/terminal.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    consoleWrite("identifier를 입력해야 합니다.\n");
    return 2;
  }
  const std::optional<int> station = stationNumber(argv[1]);
  if (!station) {
    errorWrite(std::string("metro_terminal: the station must be one of 0, 1, 2, 3, 4 (not \"") +
               argv[1] + "\")\n");
    return 2;
  }
  identifier = *station;
  TerminalProfile profile;
  profile.programName = "metro_terminal";
  profile.directory = kMetroDir;
  profile.role = "station " + std::to_string(identifier);
  profile.clock = &mtime;
  profile.tripLogName = metroLogName(identifier);
  profile.joinsClockReader = true;
  profile.fareController = Calculate_Controller;
  profile.defaultRecord = kMetroDefaultRecord;
  profile.transport = kMetroTransport;
  profile.identifierDigits = std::to_string(identifier);
  profile.journeyCount = &metro_count;
  profile.cardContinues = metroCardContinues;
  profile.tripLogContinues = metroTripLogContinues;
  profile.displaysBeforeConfirming = false;
  return terminalMain(profile);
}
