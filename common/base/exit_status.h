// The exit statuses of every program and tool of the system, defined once:
// done, refused (one line on standard error says why: a role another
// process holds, a book that cannot be trusted, a tap that cannot be
// completed, differences found), and a command line it cannot take or a
// place that is no world (or no place of the program in one).
#pragma once

inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

// A program ended by `signal` (its own, or a child's), as shells give it.
constexpr int exitStatusOfSignal(int signal) {
  return 128 + signal;
}
