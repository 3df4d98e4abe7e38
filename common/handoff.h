// The one hand-off pattern every thread pair of the system uses: a flag
// guarded by a mutex and signalled through a condition variable. Because the
// flag is kept, a post made before the receiver waits is never lost, and a
// spurious wake-up only re-tests the flag.
#pragma once

#include <condition_variable>
#include <mutex>

// Lock, set the flag, signal, unlock.
void postFlag(std::mutex& mutex, std::condition_variable& cond, bool& flag);

// Lock, wait while the flag is clear, clear it, unlock.
void awaitFlag(std::mutex& mutex, std::condition_variable& cond, bool& flag);
