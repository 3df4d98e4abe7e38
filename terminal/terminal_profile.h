// The running terminal as its threads see it: the profile through which a
// terminal states what makes it the metro or the bus terminal, and the
// hand-offs between its threads. The parts of the terminal (the command
// reader, the clock reader, the tap and its writers, the hand-over) read
// these; terminal.h starts the threads.
//
// Threads and their hand-offs, each one Handoff named after its flag:
//   reader -> Calculate_Controller   tap_pending    (the tap in hand, tap.h)
//   Calculate_Controller -> reader   tap_finished
//   timereader -> time_Display       clock_ready
//   time_Display -> timereader       read_requested
//   timereader -> reader             clock_tried    (its first attempt only)
#pragma once

#include <string>

#include "common/handoff.h"
#include "terminal/terminal_rules.h"
#include "terminal/time_info.h"

// A running terminal: its rules, and where and as what it runs.
struct TerminalProfile {
  std::string programName;                  // "metro_terminal" or "bus_terminal"
  std::string directory;                    // "Metro" or "Bus": where it must run
  std::string role;                         // "station 2" or "the bus terminal"
  TerminalClock* clock = nullptr;           // mtime or btime
  std::string tripLogName;                  // "Metrofile<n>.txt" or "busfile.txt"
  bool joinsClockReader = true;             // main joins timereader (metro only)
  void (*fareController)(void*) = nullptr;  // the terminal's Calculate_Controller
  int* journeyCount = nullptr;              // metro_count or bus_count
  TerminalRules rules;
};

// The profile of the running terminal; set once by terminalMain before any
// thread starts (tests may set it through useTerminalProfile).
const TerminalProfile& terminal();
void useTerminalProfile(const TerminalProfile& profile);

extern Handoff tap_pending, tap_finished, clock_ready, read_requested, clock_tried;
