#include "driving/event_loop.h"

#include <signal.h>

#include "common/process/event_calls.h"
#include "common/process/signals.h"

namespace {

constexpr uint64_t kSignalTag = ~uint64_t{0};
constexpr int kEventsPerWait = 64;

sigset_t driverSignals() {
  return signalSet({SIGCHLD, SIGINT, SIGTERM, SIGHUP});
}

sigset_t stopSignals() {
  return signalSet({SIGINT, SIGTERM, SIGHUP});
}

}  // namespace

void blockDriverSignals() {
  // A shell starts its background jobs with SIGINT ignored, and an ignored
  // signal never comes, blocked or not: the driver takes it all the same.
  // SIGHUP ignored (nohup) stays ignored.
  restoreDefaultActions({SIGINT, SIGTERM});
  blockSignals(driverSignals());
}

std::optional<int> takeStopRequest() {
  return takeWaitingSignal(stopSignals());
}

EventLoop::~EventLoop() {
  closeDescriptor(epoll_);
  closeDescriptor(signals_);
}

Result<void> EventLoop::open() {
  const Result<int> signals = openSignalReader(driverSignals());
  if (!signals) return signals.problem()->within("cannot take signals as events: ");
  signals_ = *signals;
  const Result<int> set = openReadySet();
  if (!set) return set.problem()->within("cannot wait on descriptors: ");
  epoll_ = *set;
  watch(signals_, kSignalTag);
  return {};
}

void EventLoop::watch(int fd, uint64_t tag, bool forWriting) {
  watchReady(epoll_, fd, forWriting ? EPOLLOUT : EPOLLIN, tag);
}

void EventLoop::unwatch(int fd) {
  if (fd >= 0) unwatchReady(epoll_, fd);
}

std::span<const EventLoop::Event> EventLoop::wait(std::chrono::milliseconds timeout) {
  events_.clear();
  epoll_event ready[kEventsPerWait];
  const int n = waitReady(epoll_, ready, static_cast<int>(timeout.count()));
  for (int i = 0; i < n; ++i) {
    if (ready[i].data.u64 != kSignalTag) {
      events_.push_back({ready[i].data.u64, 0});
      continue;
    }
    readSignals(signals_, [&](int signal) { events_.push_back({0, signal}); });
  }
  return events_;
}
