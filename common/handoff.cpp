#include "common/handoff.h"

void Handoff::post() {
  std::lock_guard<std::mutex> lock(mutex_);
  flag_ = true;
  cond_.notify_one();
}

void Handoff::await() {
  std::unique_lock<std::mutex> lock(mutex_);
  cond_.wait(lock, [this] { return flag_; });
  flag_ = false;
}

bool Handoff::awaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!cond_.wait_for(lock, timeout, [this] { return flag_; })) return false;
  flag_ = false;
  return true;
}
