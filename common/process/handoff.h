// The one hand-off every thread pair of the system uses: a flag that a
// sender sets and its receiver takes, with a condition variable to sleep
// on. Because the flag is kept, a post made before the receiver waits is
// never lost, and a spurious wake-up only re-tests the flag. Whatever the
// sender wrote before post() is visible to the receiver once it has taken
// the flag.
//
// A receiver whose sender ran on another processor (at its last post)
// first spins for at most kHandoffSpin before it sleeps: when the sender is
// about to post, as in a terminal's tap cycle, the hand-off then costs
// neither side a sleep and a wake-up, which on an idle processor of a
// virtual machine is the dearest part of it. A receiver on the sender's own
// processor sleeps at once, so that the sender can run.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

inline constexpr std::chrono::microseconds kHandoffSpin{50};

class Handoff {
 public:
  // Sets the flag and wakes the receiver.
  void post();

  // Waits until the flag is set, then clears it.
  void await();

  // As await, but gives up after `timeout`; true when the flag was taken.
  bool awaitFor(std::chrono::milliseconds timeout);

 private:
  // Takes the flag when it is set.
  bool take();
  // Spins while the sender may be running elsewhere; true when the flag
  // was taken.
  bool spin();

  std::mutex mutex_;
  std::condition_variable cond_;
  std::atomic<bool> flag_{false};
  // The processor of the last post: most likely the sender's next time.
  std::atomic<int> senderCpu_{-1};
};
