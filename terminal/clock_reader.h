// Reading the clock file "../time/time.txt" into the terminal clock.
//
// The file is read into a 13-byte buffer that is never cleared: each read
// takes at most 12 characters, stops after a line feed and writes only the
// bytes it took plus a terminator. So the read of the trailing line feed
// leaves the digits of the line before it in place, and an empty file leaves
// the previous reading there. The clock value is the number that starts at
// the buffer's fifth byte; 0 keeps the clock as it was.
#pragma once

#include <array>
#include <cstdio>

#include "common/world_layout.h"
#include "terminal/time_info.h"

inline constexpr int kClockDisplayMs = 1000;

using ClockBuffer = std::array<char, 13>;

// Reads `file` to its end into `buffer` by the chunk rule above.
void readClockChunks(FILE* file, ClockBuffer& buffer);

// The clock value MMDDhhmm held in the buffer (0 when there is none).
int clockValue(const ClockBuffer& buffer);

// The clock after one reading: `current` when the value is 0.
TimeInfo applyClockValue(TimeInfo current, int value);

// Thread bodies: the clock reader and the once-a-second clock line.
void timereader(void*);
void time_Display(void*);

// minutes from `t` to the terminal clock, taken as one reading.
int timeLag(TimeInfo t);
