#include "common/handoff.h"

#include <thread>

namespace {

// Tests of the flag between looks at the clock.
constexpr int kSpinsPerClockRead = 16;

}  // namespace

void Handoff::post() {
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
  const auto deadline = std::chrono::steady_clock::now() + kHandoffSpin;
  for (;;) {
    for (int i = 0; i < kSpinsPerClockRead; ++i) {
      if (take()) return true;
      // Leaves the processor to another thread that may be the sender.
      std::this_thread::yield();
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
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
