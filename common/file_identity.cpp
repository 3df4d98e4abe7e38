#include "common/file_identity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

std::optional<FileIdentity> identityOf(int dirFd, const char* path, int flags,
                                       off_t* size = nullptr) {
  struct statx status;
  const unsigned mask = STATX_INO | STATX_BTIME | (size != nullptr ? STATX_SIZE : 0u);
  if (statx(dirFd, path, flags, mask, &status) != 0) return std::nullopt;
  if (size != nullptr) *size = static_cast<off_t>(status.stx_size);
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

std::optional<FileIdentity> fileIdentity(int fd, off_t* size) {
  return identityOf(fd, "", AT_EMPTY_PATH, size);
}

std::optional<FileIdentity> identityAt(const std::filesystem::path& path) {
  return identityOf(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW);
}
