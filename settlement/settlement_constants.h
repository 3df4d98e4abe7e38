// Every fixed text, path and timing of the settlement program, in one place.
// Paths are relative to the working directory, a sibling of time/, Bus/ and
// Metro/.
#pragma once

#include <array>

#include "common/files/world_layout.h"
#include "common/formats/record_format.h"

// The simulated clock: one tick a second, eight simulated minutes a tick.
inline constexpr int kTickMs = 1000;
inline constexpr int kMinutesPerTick = 8;

// The clock file the terminals read (kClockFilePath, world_layout.h). Each
// tick is written to a fresh temporary file beside it and renamed over it
// (common/files/file_replace.h).
inline constexpr const char* kTimeWriteFailText = "Time Write Fail";

// On SIGINT or SIGTERM the program waits at most this long for a console
// write to finish and as long again for a clock file being created, so that
// it ends promptly even when a write never returns.
inline constexpr int kStopWaitMs = 300;

// The trip logs, below the world's root, collected in this order every
// collection period; the settlement program's root is "..". `filename` is
// the name the system gives the table.
inline const std::array<TripLogPlace, 6>& filename = collectedTripLogs();

// The result block of every cycle.
inline constexpr const char* kResultTitleText =
    "============ EXACT CALCULATION RESULT ===========\n";
inline constexpr const char* kBusResultFormat = "==== BUS : %lld ==============\n";
inline constexpr const char* kMetroResultFormat = "==== METRO : %lld =============\n";
