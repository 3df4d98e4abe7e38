// Playing the scripted day (demo/demo_script.h) through the real programs
// of a world laid out for it: settlement_fast in Settlement/, then the bus
// terminal and the metro terminals of stations 0 and 3, each a child with
// its console on pipes. Each tap is typed into its terminal's console once
// the clock has run on as its scene asks, and shown with the time its
// record was stamped with (the clock's, for a refused tap) and the lines
// the terminal printed. Once two settlement results follow the last tap,
// the terminals' input is ended and the settlement stopped; then come the
// trip logs, the last result, the audit of the stopped world (in process)
// and the statement with its running totals.
#pragma once

#include <filesystem>

// Ends the demo (its programs stopped) on SIGINT, SIGTERM or SIGHUP
// instead of the program.
void catchStopSignals();

// Plays the day in `world` with the programs built in `programs`, printing
// every section; kExitDone, or kExitRefused with one line on standard
// error when a program does not start or answer, no result comes, the
// result is not the fees the logs carry or the audit finds a difference.
// Every program it started has ended when it returns.
int playDemo(const std::filesystem::path& world, const std::filesystem::path& programs);
