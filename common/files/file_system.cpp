#include "common/files/file_system.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

int systemOpen(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}

int systemRenameNoReplace(const char* from, const char* to) {
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

int systemOpenAt(int dir, const char* path, int flags, mode_t mode) {
  return ::openat(dir, path, flags, mode);
}

int systemDuplicate(int fd) {
  return fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

int systemFileLock(int fd, int command, struct flock* lock) {
  return fcntl(fd, command, lock);
}

constexpr FileCalls kSystemCalls = {
    systemOpen,     ::close,
    ::read,         ::pread,
    ::write,        ::pwrite,
    ::fstat,        ::lstat,
    ::lseek,        ::ftruncate,
    ::fsync,        ::flock,
    ::rename,       systemRenameNoReplace,
    ::link,         ::unlink,
    ::statx,        ::mkdir,
    systemOpenAt,   ::fstatat,
    ::unlinkat,     systemDuplicate,
    systemFileLock, ::access,
    ::mkdtemp,
};

}  // namespace

const FileCalls& systemFileCalls() {
  return kSystemCalls;
}

const FileCalls* file_calls = &kSystemCalls;
