// The system calls an event loop is made of: a descriptor that reads the
// signals asked for, an epoll set, and watching, waiting on and reading
// them. Failures are Problems, worded here from the system's error, so
// that a loop built on these reads no errno of its own.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>

#include <cstdint>
#include <span>

#include "common/base/problem.h"

// A non-blocking descriptor that the signals of `signals` (blocked by the
// caller) can be read from as they come.
Result<int> openSignalReader(const sigset_t& signals);
// An empty epoll set.
Result<int> openReadySet();

// Follows `fd` in the set `set` for `events` under `tag`; watching it again
// changes how.
void watchReady(int set, int fd, uint32_t events, uint64_t tag);
void unwatchReady(int set, int fd);

// Waits at most `timeoutMs` for descriptors of `set` to be ready: how many
// of `ready` were filled (0 when none, or the wait was interrupted).
int waitReady(int set, std::span<epoll_event> ready, int timeoutMs);

// Waits at most `timeoutMs` for one of `fds` to be ready: how many are
// (their revents set), 0 when none is or the wait was interrupted.
int pollReady(std::span<pollfd> fds, int timeoutMs);

// One waiting signal's number from the signal reader `fd`; 0 when none
// waits.
int nextSignal(int fd);

// The signal numbers waiting in the signal reader `fd`, each handed to
// `take`.
template <typename Take>
void readSignals(int fd, Take&& take) {
  while (const int signal = nextSignal(fd)) take(signal);
}

// A non-blocking descriptor that wakes when a file of the directory `dir`
// is written and closed or renamed into it.
Result<int> openDirectoryWatch(const char* dir);
// Whether the watch `fd` has woken since it was last asked; reads all that
// waits.
bool takeWatchEvents(int fd);

// Widens the pipe `fd` to hold `bytes` where the system allows it.
void widenPipe(int fd, int bytes);

// Closes `fd` unless it is -1.
void closeDescriptor(int fd);
