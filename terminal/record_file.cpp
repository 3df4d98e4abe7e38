#include "terminal/record_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "common/files/file_system.h"

namespace {

constexpr int kAppendFlags = O_RDWR | O_APPEND;
constexpr mode_t kNewFileMode = 0666;
// A log is handed over at most once a hand-over period, so a second try
// always finds the name settled.
constexpr int kLockAttempts = 3;

// Whether `path` still names the file open as `fd`.
bool stillNamed(int fd, const std::string& path) {
  const std::optional<FileIdentity> opened = fileIdentity(fd);
  const std::optional<FileIdentity> named = identityAt(path);
  return opened && named && *opened == *named;
}

}  // namespace

RecordFile::RecordFile(const std::string& path, WhenMissing missing)
    : flags_(missing == WhenMissing::Create ? kAppendFlags | O_CREAT : kAppendFlags),
      path_(path),
      fd_(openRegularFile(path, flags_, kNewFileMode)) {}

RecordFile::RecordFile(FileDescriptor fd) : flags_(kAppendFlags), fd_(std::move(fd)) {}

std::optional<FileState> RecordFile::state() const {
  if (!fd_.valid()) return std::nullopt;
  return fileState(fd_.get());
}

void RecordFile::lock() {
  for (int attempt = 0; attempt < kLockAttempts && fd_.valid(); ++attempt) {
    lockFile(fd_.get(), LOCK_EX);
    if (stillNamed(fd_.get(), path_)) return;
    // Handed over while we waited for the lock: append to the new log.
    fd_ = openRegularFile(path_, flags_, kNewFileMode);
  }
  fd_ = FileDescriptor();
}

std::optional<PreparedAppend> RecordFile::prepare(std::string_view record) const {
  struct stat status;
  if (sys::fstat(fd_.get(), &status) != 0) return std::nullopt;
  PreparedAppend prepared{status.st_size, ""};
  char lastByte = '\n';
  if (status.st_size > 0 && sys::pread(fd_.get(), &lastByte, 1, status.st_size - 1) == 1 &&
      lastByte != '\n') {
    prepared.bytes += '\n';
  }
  prepared.bytes += record;
  return prepared;
}

bool RecordFile::write(const PreparedAppend& prepared) {
  sizeBefore_.reset();
  if (!writeAll(fd_.get(), prepared.bytes)) {
    cutTo(prepared.at);
    return false;
  }
  sizeBefore_ = prepared.at;
  return true;
}

bool RecordFile::append(std::string_view record) {
  const std::optional<PreparedAppend> prepared = prepare(record);
  return prepared && write(*prepared);
}

bool RecordFile::cutTo(off_t size) {
  while (sys::ftruncate(fd_.get(), size) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

void RecordFile::undoAppend() {
  if (sizeBefore_) cutTo(*sizeBefore_);
  sizeBefore_.reset();
}
