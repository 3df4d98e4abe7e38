#include "common/files/card_lock.h"

#include <sys/file.h>

#include <cerrno>

#include "common/base/sleep.h"
#include "common/files/file_system.h"

namespace {

constexpr int kLockPollMs = 10;

bool lockWithin(int fd, int operation, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (sys::flock(fd, operation | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Sleep(kLockPollMs);
  }
  return true;
}

}  // namespace

CardLock lockCardFile(const std::string& path, int flags, int operation,
                      std::optional<std::chrono::milliseconds> wait) {
  CardLock card{openRegularFile(path, flags), false};
  if (!card.file.valid()) return card;
  card.opened = true;
  if (!wait) {
    lockFile(card.file.get(), operation);
  } else if (!lockWithin(card.file.get(), operation, *wait)) {
    card.file = FileDescriptor();
  }
  return card;
}
