// The terminal clock's two threads: timereader keeps the clock (mtime at
// the metro, btime at the bus: Terminal::clock) as the clock file says
// (clock_reader.h), and time_Display shows it once a second.
//
// A failed reading of the clock file is tried again after at most
// kClockRetryInterval and reported by "Time read error!" at most once per
// kClockErrorInterval, so a missing clock file, a directory or a FIFO in
// its place never floods the console (or buries the answer to a tap) and
// never stops the reader. After its first attempt, whether it read the
// clock or not, the clock reader lets the command reader take its first
// command (clock_tried).
#pragma once

#include <chrono>

struct Terminal;

inline constexpr int kClockDisplayMs = 1000;
inline constexpr std::chrono::milliseconds kClockRetryInterval{100};
inline constexpr std::chrono::milliseconds kClockErrorInterval{1000};

// Thread bodies, under the names the system gives them.
void timereader(Terminal& terminal);
void time_Display(Terminal& terminal);
