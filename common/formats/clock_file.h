// The clock file "../time/time.txt" (kClockFilePath, common/files/world_layout.h):
// one line, the settlement's simulated clock as a time text and a line feed
// ("201412050008\n"). The settlement replaces it whole at every tick
// (common/files/file_replace.h), so a reader finds the old line or the new one;
// the terminals read it about once a second and for every tap, and the card
// tool stamps its top-ups with it.
//
// This unit holds the line as the settlement writes it and reads it back,
// and the one bounded read of the file that every reader makes. How the
// terminals take a clock from what they read is theirs
// (terminal/clock_reader.h).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/base/problem.h"
#include "common/formats/time_info.h"

// The clock file's line: "201412050008\n".
std::string clockLine(const TimeInfo& t);

// The time a clock file's line holds when it is one the settlement writes:
// four year digits, then month 01 to 12, a day from 1 (two digits, or up to
// eight without a leading zero), hour 00 to 24 and minute 00 to 59 (24 only
// with 00); an optional line feed. nullopt for anything else.
std::optional<TimeInfo> parseClockLine(std::string_view line);

// A reader takes at most this much of the clock file.
inline constexpr size_t kClockFileReadLimit = 4096;

// The first kClockFileReadLimit bytes of the file at `path`, or why not: it
// is no regular file or cannot be opened or read (of kind kMissing for a
// missing file).
Result<std::string> readClockFile(const std::string& path);
