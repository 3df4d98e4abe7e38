#include "common/role_lock.h"

#include <fcntl.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "common/file_handle.h"
#include "common/text.h"

std::optional<std::string> claimRole(const std::string& lockPath) {
  FileDescriptor lock = openRegularFile(lockPath, O_RDWR | O_CREAT, 0666);
  if (!lock.valid()) return "not available: " + lockPath + ": " + strerror(errno);
  if (flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) return "not available: " + lockPath + ": " + strerror(errno);
    char text[32] = {};
    const ssize_t got = pread(lock.get(), text, sizeof text - 1, 0);
    const int holder = got > 0 ? readInt(std::string_view(text, static_cast<size_t>(got))) : 0;
    if (holder > 0) return "held by process " + std::to_string(holder);
    return "held by another process";
  }
  const std::string pid = std::to_string(getpid()) + "\n";
  if (ftruncate(lock.get(), 0) == 0) {
    [[maybe_unused]] const ssize_t written = pwrite(lock.get(), pid.data(), pid.size(), 0);
  }
  // Kept open, and so locked, until the process ends.
  static FileDescriptor held;
  held = std::move(lock);
  return std::nullopt;
}
