// Every fixed text, path and timing of the settlement program, in one place.
// Paths are relative to the working directory, a sibling of time/, Bus/ and
// Metro/.
#pragma once

#include <array>

// The simulated clock: one tick a second, eight simulated minutes a tick.
inline constexpr int kTickMs = 1000;
inline constexpr int kMinutesPerTick = 8;

// The clock file the terminals read. Each tick is written to a fresh
// temporary file beside it and renamed over it (clock_file.h).
inline constexpr const char* kClockFilePath = "../time/time.txt";
inline constexpr const char* kTimeWriteFailText = "Time Write Fail";

// On SIGINT or SIGTERM the program waits at most this long for a console
// write to finish and as long again for a clock file being created, so that
// it ends promptly even when a write never returns.
inline constexpr int kStopWaitMs = 300;

// The trip logs, collected in this order every collection period.
inline constexpr std::array<const char*, 6> filename = {
    "../Bus/busfile.txt",      "../Metro/Metrofile0.txt", "../Metro/Metrofile1.txt",
    "../Metro/Metrofile2.txt", "../Metro/Metrofile3.txt", "../Metro/Metrofile4.txt",
};

// One read of a trip log takes at most this many characters (a line longer
// than that arrives in pieces).
inline constexpr size_t kLogReadMax = 99;

// The result block of every cycle, and the diagnostic listing of the list.
inline constexpr const char* kResultTitleText =
    "============ EXACT CALCULATION RESULT ===========\n";
inline constexpr const char* kBusResultFormat = "==== BUS : %lld ==============\n";
inline constexpr const char* kMetroResultFormat = "==== METRO : %lld =============\n";
inline constexpr const char* kListLineFormat = "%d LINE : %d\n";

// What busfilter and metrofilter compare the first three characters of a
// record's transport with.
inline constexpr const char* kBusTransport = "BUS";
inline constexpr const char* kMetroTransport = "METRO";
