// The start-up both fare terminals run: the checks before any thread, the
// terminal built once (terminal.h) and its five threads.
#pragma once

#include "terminal/terminal.h"

// Refuses to start (status 2, one line on standard error) away from the
// world's directory for the terminal or while another process holds its
// role; completes a tap a killed run left half recorded (status 1 when it
// cannot; a file it did not write is set aside, with one line on standard
// error); builds the terminal, which opens the files its taps write; then
// starts timereader, time_Display, reader, Calculate_Controller and
// fileInitializer in this order, each given the terminal, and waits on
// them for the life of the process. The process ends (status 0) when
// standard input ends.
int terminalMain(const TerminalProfile& profile);
