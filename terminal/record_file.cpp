#include "terminal/record_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

void lockFile(int fd, int operation) {
  while (flock(fd, operation) != 0 && errno == EINTR) {
  }
}

RecordFile::RecordFile(const std::string& path)
    : fd_(open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666)) {}

RecordFile::~RecordFile() {
  if (fd_ >= 0) close(fd_);
}

void RecordFile::append(std::string_view record) {
  lockFile(fd_, LOCK_EX);
  std::string text;
  struct stat status;
  char lastByte = '\n';
  if (fstat(fd_, &status) == 0 && status.st_size > 0 &&
      pread(fd_, &lastByte, 1, status.st_size - 1) == 1 && lastByte != '\n') {
    text += '\n';
  }
  text += record;
  [[maybe_unused]] const ssize_t written = write(fd_, text.data(), text.size());
  lockFile(fd_, LOCK_UN);
}
