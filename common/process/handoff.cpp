#include "common/process/handoff.h"

#include <sched.h>

namespace {

// Tests of the flag between looks at the clock.
constexpr int kTestsPerClockRead = 32;

void relax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

void Handoff::post() {
  senderCpu_.store(sched_getcpu(), std::memory_order_relaxed);
  flag_.store(true, std::memory_order_release);
  // A receiver between its test of the flag and its sleep holds the mutex:
  // taking it here means the receiver either saw the flag or is asleep and
  // gets the notification.
  { std::lock_guard<std::mutex> lock(mutex_); }
  cond_.notify_one();
}

bool Handoff::take() {
  return flag_.load(std::memory_order_relaxed) && flag_.exchange(false, std::memory_order_acquire);
}

bool Handoff::spin() {
  if (take()) return true;
  // Spinning on the sender's processor would only keep it from posting.
  if (sched_getcpu() == senderCpu_.load(std::memory_order_relaxed)) return false;
  const auto deadline = std::chrono::steady_clock::now() + kHandoffSpin;
  do {
    for (int i = 0; i < kTestsPerClockRead; ++i) {
      if (take()) return true;
      relax();
    }
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

void Handoff::await() {
  if (spin()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  cond_.wait(lock, [this] { return take(); });
}

bool Handoff::awaitFor(std::chrono::milliseconds timeout) {
  if (take()) return true;
  std::unique_lock<std::mutex> lock(mutex_);
  return cond_.wait_for(lock, timeout, [this] { return take(); });
}
