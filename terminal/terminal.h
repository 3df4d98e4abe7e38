// The skeleton both fare terminals run on: the process-wide card records and
// hand-off objects, the profile through which a terminal states what makes it
// the metro or the bus terminal, and the start-up that launches the threads.
//
// Threads and their hand-offs, each one Handoff named after its flag:
//   reader -> Calculate_Controller   tap_pending
//   Calculate_Controller -> reader   tap_finished
//   timereader -> time_Display       clock_ready
//   time_Display -> timereader       read_requested
#pragma once

#include <string>

#include "common/file_handle.h"
#include "common/handoff.h"
#include "terminal/card_info.h"
#include "terminal/card_lookup.h"
#include "terminal/continuation.h"
#include "terminal/time_info.h"

// What differs between the metro and the bus terminal.
struct TerminalProfile {
  std::string programName;                  // "metro_terminal" or "bus_terminal"
  std::string directory;                    // "Metro" or "Bus": where it must run
  std::string role;                         // "station 2" or "the bus terminal"
  TerminalClock* clock = nullptr;           // mtime or btime
  std::string tripLogName;                  // "Metrofile<n>.txt" or "busfile.txt"
  bool joinsClockReader = true;             // main joins timereader (metro only)
  void (*fareController)(void*) = nullptr;  // the terminal's Calculate_Controller
  std::string defaultRecord;                // stands for the record before a card's first
  std::string transport;                    // the word in the records it writes
  std::string identifierDigits;             // first digits of its new journey ids
  int* journeyCount = nullptr;              // metro_count or bus_count
  ContinuationTest cardContinues = nullptr;
  ContinuationTest tripLogContinues = nullptr;
  bool displaysBeforeConfirming = false;  // bus: fee and balance, then the confirmations
};

// The profile of the running terminal; set once by terminalMain before any
// thread starts (tests may set it through useTerminalProfile).
const TerminalProfile& terminal();
void useTerminalProfile(const TerminalProfile& profile);

extern CardInfo cinfo;
extern CardInfo ocinfo;
// The card file of the tap in hand, open and exclusively flocked from the
// card lookup until the tap's records are written or it is refused (see
// card_lookup.h). Handed from reader to Calculate_Controller with cinfo.
extern HeldCard card_lock;

// The terminal clock as the command reader read it for the tap in hand,
// once: the fare decision, its lag, the records' stamps and their
// continuation tests all take this one reading. Handed over with cinfo.
extern TimeInfo tap_time;

extern Handoff tap_pending, tap_finished, clock_ready, read_requested;

// Refuses to start (status 2, one line on standard error) away from the
// world's directory for the terminal or while another process holds its
// role; completes a tap a killed run left half recorded (status 1 when it
// cannot; a note it did not write is set aside and an empty one removed,
// each with one line on standard error); then starts timereader, time_Display, reader,
// Calculate_Controller and fileInitializer in this order and waits on them
// for the life of the process. The process ends (status 0) when standard
// input ends.
int terminalMain(const TerminalProfile& profile);

// The fare controller's side of the tap cycle, for ever: wait for a tap,
// apply `fareRules` (again, on the card looked up again, when the card
// changed while the tap was in hand), hand the tap back.
void serveTaps(void (*fareRules)());
