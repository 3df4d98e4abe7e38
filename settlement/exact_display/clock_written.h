// When the clock file first held a minute later than a given one. A
// terminal stamps each tap from the clock file, so once the file holds a
// minute later than M, no tap is stamped M again; the collector's
// frontiers close by it (common/formats/line_ledger.h). The clock's writer
// notes every clock it writes (and the settlement the one it finds at
// start); the settlement cycle asks. A small lock keeps the two apart.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

// The clock file now holds `line`, written at `at` (nanoseconds of the
// real-time clock).
void noteClockWritten(std::string_view line, int64_t at);

// What the clock file of the world at `root` holds, as written when the
// file last changed; nothing when it holds no clock.
void noteClockFound(const std::filesystem::path& root);

// When the clock file first held a minute later than `minute` (line_ledger.h's
// minute), as far as this run knows, or a later time; nullopt while it has
// not.
std::optional<int64_t> clockPassed(int64_t minute);
