// The one wait of a driver: epoll over the pipes of its children and the
// other descriptors it follows, and a signalfd for the signals it takes as
// events. Those signals are a child's end (SIGCHLD) and the requests to
// stop (SIGINT, SIGTERM, SIGHUP); blockDriverSignals() blocks them for the
// whole process first thing in main, so that none is lost and none ends
// the driver before it has stopped its programs (SIGINT and SIGTERM are
// taken even when the driver was started with them ignored, as a shell's
// background job is; an ignored SIGHUP, nohup's, stays ignored). Before
// the loop exists (while a day is planned and its cards provisioned)
// takeStopRequest() reads a request to stop.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/base/problem.h"

void blockDriverSignals();

// SIGINT, SIGTERM or SIGHUP when one has come (it is then taken); nullopt
// otherwise. Never waits.
std::optional<int> takeStopRequest();

class EventLoop {
 public:
  // What woke the loop: a descriptor ready, with the tag it was watched
  // with, or a signal.
  struct Event {
    uint64_t tag = 0;
    int signal = 0;  // 0 for a descriptor
  };

  EventLoop() = default;
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // The epoll and the signalfd of the driver's signals; why not.
  Result<void> open();

  // Follows `fd` for reading, or for writing when `forWriting`, under
  // `tag`; watching it again changes how.
  void watch(int fd, uint64_t tag, bool forWriting = false);
  void unwatch(int fd);

  // Waits at most `timeout` (0: not at all); what came, until the next
  // wait.
  std::span<const Event> wait(std::chrono::milliseconds timeout);

 private:
  int epoll_ = -1;
  int signals_ = -1;
  std::vector<Event> events_;
};
