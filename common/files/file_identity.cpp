#include "common/files/file_identity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>

#include "common/files/file_system.h"

namespace {

constexpr unsigned kIdentityMask = STATX_INO | STATX_BTIME;

Result<struct statx> statusOf(int dirFd, const char* path, int flags, unsigned mask) {
  struct statx status;
  if (sys::statx(dirFd, path, flags, mask, &status) != 0) return Problem::fromErrno(errno);
  return status;
}

FileIdentity identityIn(const struct statx& status) {
  FileIdentity identity;
  identity.device = makedev(status.stx_dev_major, status.stx_dev_minor);
  identity.inode = status.stx_ino;
  if (status.stx_mask & STATX_BTIME) {
    identity.born = status.stx_btime.tv_sec;
    identity.born_ns = status.stx_btime.tv_nsec;
  }
  return identity;
}

Result<FileState> stateOf(int dirFd, const char* path, int flags) {
  const auto status = statusOf(dirFd, path, flags, kIdentityMask | STATX_SIZE | STATX_MTIME);
  if (!status) return *status.problem();
  return FileState{identityIn(*status), static_cast<long long>(status->stx_size),
                   timespec{status->stx_mtime.tv_sec, status->stx_mtime.tv_nsec}};
}

}  // namespace

Result<FileIdentity> fileIdentity(int fd) {
  const auto status = statusOf(fd, "", AT_EMPTY_PATH, kIdentityMask);
  if (!status) return *status.problem();
  return identityIn(*status);
}

Result<FileIdentity> identityAt(const std::filesystem::path& path) {
  const auto status = statusOf(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, kIdentityMask);
  if (!status) return *status.problem();
  return identityIn(*status);
}

Result<FileState> fileState(int fd) {
  return stateOf(fd, "", AT_EMPTY_PATH);
}

Result<FileState> stateAt(const std::filesystem::path& path) {
  return stateOf(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW);
}
