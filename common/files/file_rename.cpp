#include "common/files/file_rename.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "common/files/file_system.h"

Result<void> renameWithoutReplacing(const std::string& from, const std::string& to) {
  if (sys::renameNoReplace(from.c_str(), to.c_str()) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS) return Problem::fromErrno(errno);
  // link fails with EEXIST rather than replace; between it and the unlink
  // the file has both names, never neither.
  if (sys::link(from.c_str(), to.c_str()) != 0) return Problem::fromErrno(errno);
  const int error = errno;
  sys::unlink(from.c_str());
  errno = error;
  return {};
}
