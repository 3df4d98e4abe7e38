// The skeleton both fare terminals run on: the start-up that launches the
// threads, and the fare controller's side of the tap cycle. The profile
// and the hand-offs the threads share are in terminal_profile.h.
#pragma once

#include <string>

#include "terminal/terminal_profile.h"

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
