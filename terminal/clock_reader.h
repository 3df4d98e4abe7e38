// Reading the clock file "../time/time.txt" (its line: common/formats/clock_file.h)
// into a terminal clock reading, by plain functions of the file's content;
// the threads that keep the terminal clock by them are in clock_threads.h.
//
// The file is opened without blocking and only when it is a regular file,
// and at most kClockFileReadLimit bytes of it are read (readClockFile);
// anything else is a failed reading.
//
// The usual line of twelve characters is read into a 13-byte buffer that is
// never cleared: each read takes at most 12 characters, stops after a line
// feed and writes only the bytes it took plus a terminator. So the read of
// the trailing line feed leaves the digits of the line before it in place.
// The clock value is the number that starts at the buffer's fifth byte (the
// time key of what the buffer holds, common/formats/record_format.h); 0 keeps the
// clock as it was. A line whose digits after the year run to nine
// or more (day 100 and later) is read by its layout instead, and an empty
// file keeps the clock as it was.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "common/files/file_identity.h"
#include "common/files/world_layout.h"
#include "common/formats/clock_file.h"
#include "terminal/time_info.h"

using ClockBuffer = std::array<char, 13>;

// Reads the file content `content` into `buffer` by the chunk rule above.
void readClockChunks(std::string_view content, ClockBuffer& buffer);

// The clock value MMDDhhmm held in the buffer (0 when there is none).
int clockValue(const ClockBuffer& buffer);

// The clock after one reading: `current` when the value is 0.
TimeInfo applyClockValue(TimeInfo current, int value);

// What one reading of the file content `content` gives, `buffer` holding
// what the readings before left in it: a clock, or nullopt when it holds
// none (the clock then stays as it was).
std::optional<TimeInfo> clockReading(std::string_view content, ClockBuffer& buffer);

// The clock after one reading of the file content `content`, `buffer`
// holding what the readings before left in it.
TimeInfo clockAfterReading(TimeInfo current, std::string_view content, ClockBuffer& buffer);

// A tap's last reading of the clock file, kept with the state (which file,
// its size and when it last changed) the file had when it was read. A file
// in the same state holds the same line, and reading it again would leave
// the buffer as it is and give the same clock: so a tap looks at the
// file's state (one system call) and reads the file only once it changed,
// which the settlement's clock does once a tick. A file changed less than
// kClockSettleNs before it was read is read again all the same: a
// rewrite in place within the file system's clock step would keep its
// state.
inline constexpr long long kClockSettleNs = 50'000'000;
struct TapClockCache {
  std::optional<FileState> state;
  std::optional<TimeInfo> reading;  // nullopt: the file held no clock
};

// The clock for one tap: the clock file read afresh into `buffer` (the
// tap's own, kept from tap to tap) by the rules above, starting from
// `fallback`, the clock reader's last reading, unless `cache` shows it
// unchanged. `fallback` itself when the file cannot be read or holds no
// clock. The terminal clock is not changed.
TimeInfo readTapClock(TimeInfo fallback, ClockBuffer& buffer, TapClockCache& cache);
