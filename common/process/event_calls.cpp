#include "common/process/event_calls.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

Result<int> openSignalReader(const sigset_t& signals) {
  const int fd = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd < 0) return Problem::fromErrno(errno);
  return fd;
}

Result<int> openReadySet() {
  const int fd = epoll_create1(EPOLL_CLOEXEC);
  if (fd < 0) return Problem::fromErrno(errno);
  return fd;
}

int pollReady(std::span<pollfd> fds, int timeoutMs) {
  const int n = poll(fds.data(), fds.size(), timeoutMs);
  return n > 0 ? n : 0;
}

void watchReady(int set, int fd, uint32_t events, uint64_t tag) {
  epoll_event event{};
  event.events = events;
  event.data.u64 = tag;
  if (epoll_ctl(set, EPOLL_CTL_ADD, fd, &event) != 0 && errno == EEXIST) {
    epoll_ctl(set, EPOLL_CTL_MOD, fd, &event);
  }
}

void unwatchReady(int set, int fd) {
  epoll_ctl(set, EPOLL_CTL_DEL, fd, nullptr);
}

int waitReady(int set, std::span<epoll_event> ready, int timeoutMs) {
  const int n = epoll_wait(set, ready.data(), static_cast<int>(ready.size()), timeoutMs);
  return n > 0 ? n : 0;
}

int nextSignal(int fd) {
  signalfd_siginfo info;
  if (read(fd, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return 0;
  return static_cast<int>(info.ssi_signo);
}

Result<int> openDirectoryWatch(const char* dir) {
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return Problem::fromErrno(errno);
  if (inotify_add_watch(fd, dir, IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
    const Problem problem = Problem::fromErrno(errno);
    close(fd);
    return problem;
  }
  return fd;
}

bool takeWatchEvents(int fd) {
  alignas(inotify_event) char events[4096];
  bool any = false;
  while (read(fd, events, sizeof events) > 0) any = true;
  return any;
}

void widenPipe(int fd, int bytes) {
  fcntl(fd, F_SETPIPE_SZ, bytes);
}

void closeDescriptor(int fd) {
  if (fd >= 0) close(fd);
}
