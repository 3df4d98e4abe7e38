// The skeleton both fare terminals run on: the profile through which a
// terminal states what makes it the metro or the bus terminal, the tap
// hand-offs, the start-up that launches the threads, and the fare
// controller's side of the tap cycle.
//
// Threads and their hand-offs, each one Handoff named after its flag:
//   reader -> Calculate_Controller   tap_pending    (the tap in hand, tap.h)
//   Calculate_Controller -> reader   tap_finished
//   timereader -> time_Display       clock_ready
//   time_Display -> timereader       read_requested
#pragma once

#include <string>

#include "common/handoff.h"
#include "terminal/tap.h"
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

extern Handoff tap_pending, tap_finished, clock_ready, read_requested;

// Refuses to start (status 2, one line on standard error) away from the
// world's directory for the terminal or while another process holds its
// role; completes a tap a killed run left half recorded (status 1 when it
// cannot; a file it did not write is set aside, with one line on standard
// error); opens the files its taps write; then starts timereader,
// time_Display, reader, Calculate_Controller and fileInitializer in this
// order and waits on them for the life of the process. The process ends
// (status 0) when standard input ends.
int terminalMain(const TerminalProfile& profile);

// What the console shows for the tap in hand, decided by `rules` and, when
// charged, recorded: the card is looked up and the tap decided again when
// the card changed while it was in hand. The card is released before this
// returns.
std::string serveTap(const TerminalRules& rules);

// The fare controller's side of the tap cycle, for ever: wait for a tap,
// serve it, show its output and the reader's next prompt in one write, hand
// the tap back.
void serveTaps(const TerminalRules& rules);
