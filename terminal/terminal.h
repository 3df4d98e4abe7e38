// A running fare terminal as one value, handed to each of its threads:
// what makes it the metro terminal of a station or the bus terminal (its
// profile and rules), its clock, its journey count, the files its taps
// write and the hand-offs between its threads. terminalMain
// (terminal_main.h) builds it once, before any thread starts; nothing of it
// is a global. Here too: the fare controller's side of the tap cycle.
//
// Threads and their hand-offs, each named after its flag:
//   reader -> Calculate_Controller   tap_pending    (carries the tap)
//   Calculate_Controller -> reader   tap_finished   (carries what it shows)
//   timereader -> time_Display       clock_ready
//   time_Display -> timereader       read_requested
//   timereader -> reader             clock_tried    (its first attempt only)
#pragma once

#include <string>

#include "common/process/handoff.h"
#include "terminal/clock_reader.h"
#include "terminal/record_writer.h"
#include "terminal/tap.h"
#include "terminal/terminal_rules.h"
#include "terminal/time_info.h"
#include "common/process/value_handoff.h"

struct Terminal;

// What a terminal's main states about it: its rules, and where and as what
// it runs.
struct TerminalProfile {
  std::string programName;                      // "metro_terminal" or "bus_terminal"
  std::string directory;                        // "Metro" or "Bus": where it must run
  std::string role;                             // "station 2" or "the bus terminal"
  std::string tripLogName;                      // "Metrofile<n>.txt" or "busfile.txt"
  bool joinsClockReader = true;                 // main joins timereader (metro only)
  void (*fareController)(Terminal&) = nullptr;  // the terminal's Calculate_Controller
  TerminalRules rules;
};

struct Terminal {
  // Opens the files its taps write (TapFiles).
  explicit Terminal(const TerminalProfile& terminalProfile);
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  const TerminalProfile profile;
  TerminalClock clock;   // mtime at the metro, btime at the bus
  int journeyCount = 0;  // metro_count or bus_count: the fare controller's alone
  TapFiles files;
  // The clock file as the taps read it, apart from the clock reader's
  // buffer so that a tap's reading never shows on the clock line. Used by
  // one thread at a time: the reader, or the fare controller looking a tap
  // up again while the reader waits.
  ClockBuffer tapClockBuffer{};
  TapClockCache tapClockCache;

  ValueHandoff<Tap> tap_pending;
  ValueHandoff<std::string> tap_finished;
  Handoff clock_ready, read_requested, clock_tried;
};

// The tap of `command` at `terminal`: its card looked up and held (parser),
// and then, while it is held, its clock read. Without a tap, what the
// console shows for the card.
TapLoad loadTap(const TapCommand& command, Terminal& terminal);

// What the console shows for `tap`, decided by the terminal's rules and,
// when charged, recorded in its files: the card is looked up and the tap
// decided again when the card changed while it was in hand. The card is
// released before this returns.
std::string serveTap(Tap tap, Terminal& terminal);

// The fare controller's side of the tap cycle, for ever: take a tap, serve
// it and hand back what it shows.
void serveTaps(Terminal& terminal);
