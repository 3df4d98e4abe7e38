#include "bus/bus_controller.h"
#include "terminal/terminal.h"

int main() {
  TerminalProfile profile;
  profile.clock = &btime;
  profile.tripLogName = "busfile.txt";
  profile.joinsClockReader = false;
  profile.fareController = Calculate_Controller;
  return terminalMain(profile);
}
