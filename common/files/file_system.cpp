#include "common/files/file_system.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

int systemOpen(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}

int systemRenameNoReplace(const char* from, const char* to) {
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

constexpr FileCalls kSystemCalls = {
    systemOpen, ::close,  ::read,      ::pread, ::write, ::pwrite, ::fstat,
    ::lstat,    ::lseek,  ::ftruncate, ::fsync, ::flock, ::rename, systemRenameNoReplace,
    ::link,     ::unlink, ::statx,     ::mkdir,
};

}  // namespace

const FileCalls& systemFileCalls() {
  return kSystemCalls;
}

const FileCalls* file_calls = &kSystemCalls;
