#include "common/handoff.h"

void postFlag(std::mutex& mutex, std::condition_variable& cond, bool& flag) {
  std::lock_guard<std::mutex> lock(mutex);
  flag = true;
  cond.notify_one();
}

void awaitFlag(std::mutex& mutex, std::condition_variable& cond, bool& flag) {
  std::unique_lock<std::mutex> lock(mutex);
  cond.wait(lock, [&flag] { return flag; });
  flag = false;
}
