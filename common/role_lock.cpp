#include "common/role_lock.h"

#include <fcntl.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "common/file_handle.h"
#include "common/text.h"

namespace {

// A holder that ends between a refused bind and the connect frees the role:
// the claim is tried again this many times.
constexpr int kClaimAttempts = 3;
constexpr size_t kPidTextMax = 32;

Problem unavailable(const std::string& what) {
  const int error = errno;
  return Problem::fromErrno("not available: " + what + ": ", error);
}

// The abstract address (a leading NUL byte, then the name) and its length.
socklen_t roleAddress(const std::string& name, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  const size_t length = std::min(name.size(), sizeof address.sun_path - 1);
  memcpy(address.sun_path + 1, name.data(), length);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

// The process id written in the lock file; 0 when there is none.
int pidInLockFile(const std::string& lockPath) {
  const FileDescriptor file = openRegularFile(lockPath, O_RDONLY);
  if (!file.valid()) return 0;
  const std::optional<std::string> text = readUpTo(file.get(), 0, kPidTextMax);
  return text ? readInt(*text) : 0;
}

// The process listening at `address`: its id, 0 when it cannot be told, or
// nullopt when no process listens there any more.
std::optional<int> holderAt(const sockaddr_un& address, socklen_t length) {
  const FileDescriptor probe(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!probe.valid()) return 0;
  if (connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    // EAGAIN: the holder's queue of such probes is full; it is there.
    return errno == ECONNREFUSED ? std::nullopt : std::optional<int>(0);
  }
  ucred peer{};
  socklen_t size = sizeof peer;
  if (getsockopt(probe.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return 0;
  return static_cast<int>(peer.pid);
}

}  // namespace

std::optional<Problem> claimRole(const std::string& worldRoot, const std::string& role,
                                 const std::string& lockPath) {
  struct stat root;
  if (stat(worldRoot.c_str(), &root) != 0) return unavailable(worldRoot);
  sockaddr_un address;
  const socklen_t length = roleAddress(
      "fares " + std::to_string(root.st_dev) + ":" + std::to_string(root.st_ino) + " " + role,
      address);
  for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
    FileDescriptor claim(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!claim.valid()) return unavailable("a socket");
    if (bind(claim.get(), reinterpret_cast<const sockaddr*>(&address), length) == 0) {
      if (listen(claim.get(), SOMAXCONN) != 0) return unavailable("a socket");
      FileDescriptor lock = openRegularFile(lockPath, O_WRONLY | O_CREAT | O_TRUNC, 0666);
      if (!lock.valid()) {
        return Problem(unavailable(lockPath).text() +
                       " (a lock file is a regular file with one name that the program writes "
                       "itself: remove it and start again)");
      }
      writeAll(lock.get(), std::to_string(getpid()) + "\n");
      // Kept open, and so bound, until the process ends.
      static FileDescriptor held;
      held = std::move(claim);
      return std::nullopt;
    }
    if (errno != EADDRINUSE) return unavailable("a socket");
    const std::optional<int> holder = holderAt(address, length);
    if (!holder) continue;
    const int pid = *holder > 0 ? *holder : pidInLockFile(lockPath);
    if (pid > 0) return Problem("held by process " + std::to_string(pid));
    return Problem("held by another process");
  }
  return Problem("held by another process");
}
