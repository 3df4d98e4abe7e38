#include "terminal/record_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Writes all of `text`; false on the first write that takes nothing.
bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Shrinking needs no space, so this fails only on a file gone bad; there
// is nothing better to do then.
void cutBack(int fd, off_t size) {
  while (ftruncate(fd, size) != 0 && errno == EINTR) {
  }
}

}  // namespace

RecordFile::RecordFile(const std::string& path)
    : fd_(openRegularFile(path, O_RDWR | O_APPEND | O_CREAT, 0666)) {}

void RecordFile::lock() {
  lockFile(fd_.get(), LOCK_EX);
}

bool RecordFile::append(std::string_view record) {
  sizeBefore_.reset();
  struct stat status;
  if (fstat(fd_.get(), &status) != 0) return false;
  std::string text;
  char lastByte = '\n';
  if (status.st_size > 0 && pread(fd_.get(), &lastByte, 1, status.st_size - 1) == 1 &&
      lastByte != '\n') {
    text += '\n';
  }
  text += record;
  if (!writeAll(fd_.get(), text)) {
    cutBack(fd_.get(), status.st_size);
    return false;
  }
  sizeBefore_ = status.st_size;
  return true;
}

void RecordFile::undoAppend() {
  if (sizeBefore_) cutBack(fd_.get(), *sizeBefore_);
  sizeBefore_.reset();
}
