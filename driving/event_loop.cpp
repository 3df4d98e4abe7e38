#include "driving/event_loop.h"

#include <signal.h>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr uint64_t kSignalTag = ~uint64_t{0};
constexpr int kEventsPerWait = 64;

sigset_t driverSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int s : {SIGCHLD, SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
  return set;
}

sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
  return set;
}

}  // namespace

void blockDriverSignals() {
  // A shell starts its background jobs with SIGINT ignored, and an ignored
  // signal never comes, blocked or not: the driver takes it all the same.
  // SIGHUP ignored (nohup) stays ignored.
  for (const int s : {SIGINT, SIGTERM}) signal(s, SIG_DFL);
  const sigset_t set = driverSignals();
  sigprocmask(SIG_BLOCK, &set, nullptr);
}

std::optional<int> takeStopRequest() {
  const sigset_t set = stopSignals();
  const timespec now{};
  const int s = sigtimedwait(&set, nullptr, &now);
  if (s > 0) return s;
  return std::nullopt;
}

EventLoop::~EventLoop() {
  if (epoll_ >= 0) close(epoll_);
  if (signals_ >= 0) close(signals_);
}

Result<void> EventLoop::open() {
  const sigset_t set = driverSignals();
  signals_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (signals_ < 0) return Problem::fromErrno("cannot take signals as events: ", errno);
  epoll_ = epoll_create1(EPOLL_CLOEXEC);
  if (epoll_ < 0) return Problem::fromErrno("cannot wait on descriptors: ", errno);
  watch(signals_, kSignalTag);
  return {};
}

void EventLoop::watch(int fd, uint64_t tag, bool forWriting) {
  epoll_event event{};
  event.events = forWriting ? EPOLLOUT : EPOLLIN;
  event.data.u64 = tag;
  if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0 && errno == EEXIST) {
    epoll_ctl(epoll_, EPOLL_CTL_MOD, fd, &event);
  }
}

void EventLoop::unwatch(int fd) {
  if (fd >= 0) epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
}

std::span<const EventLoop::Event> EventLoop::wait(std::chrono::milliseconds timeout) {
  events_.clear();
  epoll_event ready[kEventsPerWait];
  const int n = epoll_wait(epoll_, ready, kEventsPerWait, static_cast<int>(timeout.count()));
  for (int i = 0; i < n; ++i) {
    if (ready[i].data.u64 != kSignalTag) {
      events_.push_back({ready[i].data.u64, 0});
      continue;
    }
    signalfd_siginfo info;
    while (read(signals_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
      events_.push_back({0, static_cast<int>(info.ssi_signo)});
    }
  }
  return events_;
}
