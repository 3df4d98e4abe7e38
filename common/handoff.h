// The one hand-off every thread pair of the system uses: a flag guarded by a
// mutex and signalled through a condition variable, owned together so that
// a flag can never be paired with the wrong mutex. Because the flag is kept,
// a post made before the receiver waits is never lost, and a spurious
// wake-up only re-tests the flag.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class Handoff {
 public:
  // Sets the flag and wakes the receiver.
  void post();

  // Waits until the flag is set, then clears it.
  void await();

  // As await, but gives up after `timeout`; true when the flag was taken.
  bool awaitFor(std::chrono::milliseconds timeout);

 private:
  std::mutex mutex_;
  std::condition_variable cond_;
  bool flag_ = false;
};
