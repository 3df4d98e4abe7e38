#include "terminal/record_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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
  const std::optional<FileIdentity> opened = fileIdentity(fd).asOptional();
  const std::optional<FileIdentity> named = identityAt(path).asOptional();
  return opened && named && *opened == *named;
}

}  // namespace

RecordFile::RecordFile(const std::string& path, WhenMissing missing)
    : flags_(missing == WhenMissing::Create ? kAppendFlags | O_CREAT : kAppendFlags), path_(path) {
  open();
}

void RecordFile::open() {
  Result<FileDescriptor> opened = openRegular(path_, flags_, kNewFileMode);
  if (const Problem* problem = opened.problem()) {
    fd_ = FileDescriptor();
    problem_ = *problem;
    return;
  }
  fd_ = std::move(*opened);
  problem_.reset();
}

RecordFile::RecordFile(FileDescriptor fd) : flags_(kAppendFlags), fd_(std::move(fd)) {}

std::optional<FileState> RecordFile::state() const {
  if (!fd_.valid()) return std::nullopt;
  return fileState(fd_.get()).asOptional();
}

void RecordFile::lock() {
  for (int attempt = 0; attempt < kLockAttempts && fd_.valid(); ++attempt) {
    lockFile(fd_.get(), LOCK_EX);
    if (stillNamed(fd_.get(), path_)) return;
    // Handed over while we waited for the lock: append to the new log.
    open();
  }
  if (fd_.valid()) {
    problem_ = Problem("it was handed over again and again while its lock was awaited");
  }
  fd_ = FileDescriptor();
}

std::optional<PreparedAppend> RecordFile::prepare(std::string_view record) const {
  return prepareRecord(record).asOptional();
}

Result<PreparedAppend> RecordFile::prepareRecord(std::string_view record) const {
  const Result<struct stat> status = fileStatus(fd_.get());
  if (!status) return *status.problem();
  PreparedAppend prepared{status->st_size, ""};
  char lastByte = '\n';
  if (status->st_size > 0 && sys::pread(fd_.get(), &lastByte, 1, status->st_size - 1) == 1 &&
      lastByte != '\n') {
    prepared.bytes += '\n';
  }
  prepared.bytes += record;
  return prepared;
}

bool RecordFile::write(const PreparedAppend& prepared) {
  return writeRecord(prepared).ok();
}

Result<void> RecordFile::writeRecord(const PreparedAppend& prepared) {
  sizeBefore_.reset();
  if (const Result<void> written = writeAll(fd_.get(), prepared.bytes); !written) {
    (void)cutTo(prepared.at);
    return written;
  }
  sizeBefore_ = prepared.at;
  return {};
}

Result<void> RecordFile::append(std::string_view record) {
  const Result<PreparedAppend> prepared = prepareRecord(record);
  if (!prepared) return *prepared.problem();
  return writeRecord(*prepared);
}

Result<void> RecordFile::cutTo(off_t size) {
  return cutFile(fd_.get(), size);
}

void RecordFile::undoAppend() {
  if (sizeBefore_) (void)cutTo(*sizeBefore_);
  sizeBefore_.reset();
}
