#include "common/file_identity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

std::optional<FileIdentity> identityOf(int dirFd, const char* path, int flags) {
  struct statx status;
  if (statx(dirFd, path, flags, STATX_INO | STATX_BTIME, &status) != 0) return std::nullopt;
  FileIdentity identity;
  identity.device = makedev(status.stx_dev_major, status.stx_dev_minor);
  identity.inode = status.stx_ino;
  if (status.stx_mask & STATX_BTIME) {
    identity.born = status.stx_btime.tv_sec;
    identity.born_ns = status.stx_btime.tv_nsec;
  }
  return identity;
}

}  // namespace

std::optional<FileIdentity> fileIdentity(int fd) {
  return identityOf(fd, "", AT_EMPTY_PATH);
}

std::optional<FileIdentity> identityAt(const std::filesystem::path& path) {
  return identityOf(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW);
}
