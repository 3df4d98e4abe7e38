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

Result<FileDescriptor> lockCardFile(const std::string& path, int flags, int operation,
                                    std::optional<std::chrono::milliseconds> wait) {
  Result<FileDescriptor> card = openRegular(path, flags);
  if (!card) return card;
  if (!wait) {
    lockFile(card->get(), operation);
  } else if (!lockWithin(card->get(), operation, *wait)) {
    return Problem("its lock is held by another program", Problem::Kind::kBusy);
  }
  return card;
}
