// The one hand-off every thread pair of the system uses: a flag that a
// sender sets and its receiver takes, with a condition variable to sleep
// on. Because the flag is kept, a post made before the receiver waits is
// never lost, and a spurious wake-up only re-tests the flag. Whatever the
// sender wrote before post() is visible to the receiver once it has taken
// the flag.
//
// A receiver whose sender runs on another processor first spins for a
// short, bounded while before it sleeps: when the sender is about to post,
// as in a terminal's tap cycle, the hand-off then costs neither side a
// sleep and a wake-up (which on an idle processor is the dearest part). A
// receiver on the sender's own processor sleeps at once, so that the
// sender can run. The spin adapts to how the hand-off goes: it grows (up to
// kHandoffSpin) while posts come during it and shrinks to nothing while
// they do not (a sender that is idle, or that waits for a processor busy
// with other programs), so a busy machine sees the plain sleep and wake-up.
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
  using Ns = std::chrono::nanoseconds;

  // Takes the flag when it is set.
  bool take();
  // Spins for at most the current spin; true when the flag was taken.
  bool spin();

  std::mutex mutex_;
  std::condition_variable cond_;
  std::atomic<bool> flag_{false};
  // The processor of the last post: the sender's, most likely, next time.
  std::atomic<int> senderCpu_{-1};
  // The receiver's current spin, and the awaits since it shrank to nothing
  // (every so often one spins again, to notice that posts come quickly
  // again).
  std::atomic<Ns::rep> spinNs_{Ns(kHandoffSpin).count()};
  std::atomic<unsigned> unspun_{0};
};
