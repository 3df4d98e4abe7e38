// What a program asks the system about itself: the CPU it and its children
// used, whether a descriptor is a terminal, the time of day, and the end of
// the process at once. The programs make these calls through here.
#pragma once

#include <time.h>

#include <ctime>

struct Rusage {
  double userSeconds = 0;
  double systemSeconds = 0;
  long peakKib = 0;
  double cpuSeconds() const { return userSeconds + systemSeconds; }
};

// What this process (RUSAGE_SELF) or its waited-for children
// (RUSAGE_CHILDREN) have used so far.
Rusage usageOf(int who);

// Whether `fd` is a terminal.
bool isTerminal(int fd);

// The time of day (CLOCK_REALTIME), as file times are kept.
timespec timeOfDay();

// The time of day broken down in the local time zone, and in UTC.
std::tm localTimeNow();
std::tm universalTimeNow();

// Ends every thread of the process at once with `status`, as _exit does in
// the C library. Not _exit itself: under the sanitizers it flushes standard
// output first, which would wait for ever behind a console write that
// never returns.
[[noreturn]] void endProcessNow(int status);
