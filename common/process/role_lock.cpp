#include "common/process/role_lock.h"

#include <fcntl.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <vector>

#include "common/base/text.h"
#include "common/files/file_handle.h"
#include "common/files/file_system.h"

namespace {

// A lock file removed or replaced between its open and its lock, or a
// holder that ends between a refused bind and the probe: the claim is tried
// again this many times.
constexpr int kClaimAttempts = 3;
constexpr size_t kPidTextMax = 32;
constexpr size_t kPeerGroupsMax = 256;

Problem unavailable(const std::string& what, int error) {
  return Problem::fromErrno("not available: " + what + ": ", error);
}

Problem heldBy(int pid) {
  if (pid > 0) return Problem("held by process " + std::to_string(pid), Problem::Kind::kBusy);
  return Problem("held by another process", Problem::Kind::kBusy);
}

// The process id written in the lock file open at `fd`; 0 when there is none.
int pidIn(int fd) {
  const Result<std::string> text = readUpTo(fd, 0, kPidTextMax);
  return text ? readInt(*text) : 0;
}

std::string directoryOf(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? "." : parent.string();
}

// Read and write for each class of user that may write `dir`, none for
// the others.
mode_t lockFileMode(const struct stat& dir) {
  const mode_t writers = dir.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH);
  return writers | (writers << 1);
}

struct flock wholeFile(short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  return lock;  // l_start 0, l_len 0: every byte, however long the file grows
}

// The kind of lock that keeps the file open at `fd` from a write lock:
// F_UNLCK when none does now.
short blockingLock(int fd) {
  struct flock lock = wholeFile(F_WRLCK);
  if (sys::fileLock(fd, F_OFD_GETLK, &lock) != 0) return F_WRLCK;
  return lock.l_type;
}

bool namesFile(const std::string& path, int fd) {
  struct stat locked;
  struct stat named;
  return sys::fstat(fd, &locked) == 0 && sys::lstat(path.c_str(), &named) == 0 &&
         locked.st_dev == named.st_dev && locked.st_ino == named.st_ino;
}

// Why the lock file cannot be opened for writing (`refused`): its holder
// when the file can at least be read, otherwise what to do.
Problem lockFileRefusal(const std::string& lockPath, const Problem& refused) {
  if (refused.found() == Problem::Found::kForbidden) {
    const Result<FileDescriptor> readable = openRegular(lockPath, O_RDONLY);
    if (readable && blockingLock(readable->get()) == F_WRLCK) {
      return heldBy(pidIn(readable->get()));
    }
  }
  return refused.within("not available: " + lockPath + ": ")
      .within("",
              " (a lock file is a regular file with one name that the program writes "
              "itself: remove it and start again)");
}

// The role's abstract socket address: a leading NUL byte, then the name.
struct RoleName {
  sockaddr_un address{};
  socklen_t length = 0;
};

RoleName roleName(const std::string& name) {
  RoleName role;
  role.address.sun_family = AF_UNIX;
  const size_t length = std::min(name.size(), sizeof role.address.sun_path - 1);
  memcpy(role.address.sun_path + 1, name.data(), length);
  role.length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
  return role;
}

// Whether a process of these credentials may write `dir`, as the
// permission bits say.
bool mayWrite(const ucred& peer, const std::vector<gid_t>& groups, const struct stat& dir) {
  if (peer.uid == 0) return true;
  if (peer.uid == dir.st_uid) return (dir.st_mode & S_IWUSR) != 0;
  const bool member =
      peer.gid == dir.st_gid || std::find(groups.begin(), groups.end(), dir.st_gid) != groups.end();
  return (dir.st_mode & (member ? S_IWGRP : S_IWOTH)) != 0;
}

// The process bound to the role's name, as a probe finds it.
struct Listener {
  bool gone = false;            // none listens there (any more)
  std::optional<pid_t> writer;  // one that may write `dir`; 0 when unnamed
};

Listener listenerAt(const RoleName& role, const struct stat& dir) {
  const FileDescriptor probe(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!probe.valid()) return {};
  if (connect(probe.get(), reinterpret_cast<const sockaddr*>(&role.address), role.length) != 0) {
    // EAGAIN: its queue of probes is full; who it is cannot be told.
    return {errno == ECONNREFUSED, std::nullopt};
  }
  ucred peer{};
  socklen_t size = sizeof peer;
  if (getsockopt(probe.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return {};
  std::vector<gid_t> groups(kPeerGroupsMax);
  socklen_t groupsSize = static_cast<socklen_t>(groups.size() * sizeof(gid_t));
  if (getsockopt(probe.get(), SOL_SOCKET, SO_PEERGROUPS, groups.data(), &groupsSize) != 0) {
    groupsSize = 0;
  }
  groups.resize(groupsSize / sizeof(gid_t));
  if (!mayWrite(peer, groups, dir)) return {};
  return {false, peer.pid};
}

// The role's name bound by this process, or the holder bound to it:
// neither when it is bound by a process that may not write `dir`, or by
// one that cannot be told.
struct NameTry {
  FileDescriptor bound = FileDescriptor();
  std::optional<pid_t> holder;
};

NameTry claimName(const RoleName& role, const struct stat& dir) {
  for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
    FileDescriptor name(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!name.valid()) return {};
    if (bind(name.get(), reinterpret_cast<const sockaddr*>(&role.address), role.length) == 0) {
      if (listen(name.get(), SOMAXCONN) != 0) return {};
      return {std::move(name), std::nullopt};
    }
    if (errno != EADDRINUSE) return {};
    const Listener listener = listenerAt(role, dir);
    if (!listener.gone) return {FileDescriptor(), listener.writer};
  }
  return {};
}

// One try at the lock file.
enum class LockOutcome {
  kTaken,  // this process holds its lock
  kHeld,   // another process does
  kAgain,  // removed, replaced or let go meanwhile: try again
};

struct LockTry {
  LockOutcome outcome;
  FileDescriptor file;  // open when taken or held
};

// One try; a Problem when the lock file cannot be had.
Result<LockTry> tryLockFile(const std::string& lockPath, const struct stat& dir) {
  Result<FileDescriptor> opened = openRegular(lockPath, O_RDWR | O_CREAT, lockFileMode(dir));
  if (const Problem* problem = opened.problem()) return lockFileRefusal(lockPath, *problem);
  FileDescriptor file = std::move(*opened);
  struct flock lock = wholeFile(F_WRLCK);
  if (sys::fileLock(file.get(), F_OFD_SETLK, &lock) != 0) {
    const int error = errno;
    if (error != EAGAIN && error != EACCES) {
      return unavailable(lockPath, error);
    }
    switch (blockingLock(file.get())) {
      case F_WRLCK:
        return LockTry{LockOutcome::kHeld, std::move(file)};
      case F_RDLCK:
        // No holder's: a reader's. The file is made anew, for writers only.
        if (namesFile(lockPath, file.get())) sys::unlink(lockPath.c_str());
        return LockTry{LockOutcome::kAgain, FileDescriptor()};
      default:
        return LockTry{LockOutcome::kAgain, FileDescriptor()};
    }
  }
  if (!namesFile(lockPath, file.get())) {
    return LockTry{LockOutcome::kAgain, FileDescriptor()};
  }
  struct stat own;
  if (fstat(file.get(), &own) == 0 && own.st_uid == geteuid()) {
    // Exactly, whatever the umask took, and on a file an earlier release left.
    fchmod(file.get(), lockFileMode(dir));
  }
  return LockTry{LockOutcome::kTaken, std::move(file)};
}

// The role's second lock file, beside the first with a dot before its name
// (".settlement.lock").
std::string secondLockPath(const std::string& lockPath) {
  const std::filesystem::path path(lockPath);
  return (path.parent_path() / ("." + path.filename().string())).string();
}

// The holder of a lock file another process has locked: the process bound
// to the role's name when it may write there (a lock file's process id can
// be overwritten), otherwise the one the file names.
Problem holderOf(const LockTry& locked, const RoleName& role, const struct stat& dir) {
  const Listener listener = listenerAt(role, dir);
  if (listener.writer && *listener.writer > 0) return heldBy(*listener.writer);
  return heldBy(pidIn(locked.file.get()));
}

}  // namespace

Result<void> claimRole(const std::string& worldRoot, const std::string& role,
                       const std::string& lockPath) {
  struct stat root;
  if (stat(worldRoot.c_str(), &root) != 0) return unavailable(worldRoot, errno);
  const std::string dirPath = directoryOf(lockPath);
  struct stat dir;
  if (stat(dirPath.c_str(), &dir) != 0) return unavailable(dirPath, errno);
  const RoleName name = roleName("fares " + std::to_string(root.st_dev) + ":" +
                                 std::to_string(root.st_ino) + " " + role);
  for (int attempt = 0; attempt < kClaimAttempts; ++attempt) {
    Result<LockTry> tried = tryLockFile(lockPath, dir);
    if (const Problem* problem = tried.problem()) return *problem;
    LockTry& locked = *tried;
    if (locked.outcome == LockOutcome::kHeld) return holderOf(locked, name, dir);
    if (locked.outcome == LockOutcome::kAgain) continue;
    Result<LockTry> second = tryLockFile(secondLockPath(lockPath), dir);
    if (const Problem* problem = second.problem()) return *problem;
    if (second->outcome == LockOutcome::kHeld) return holderOf(*second, name, dir);
    if (second->outcome == LockOutcome::kAgain) continue;
    NameTry named = claimName(name, dir);
    if (named.holder) return heldBy(*named.holder);
    for (const FileDescriptor* file : {&locked.file, &second->file}) {
      if (cutFile(file->get(), 0)) (void)writeAll(file->get(), std::to_string(getpid()) + "\n");
    }
    // Kept open, and so locked and bound, until the process ends.
    static FileDescriptor heldFile;
    static FileDescriptor heldSecondFile;
    static FileDescriptor heldName;
    heldFile = std::move(locked.file);
    heldSecondFile = std::move(second->file);
    heldName = std::move(named.bound);
    return {};
  }
  return heldBy(0);
}
