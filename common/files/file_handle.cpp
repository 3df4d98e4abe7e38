#include "common/files/file_handle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "common/files/file_system.h"

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) sys::close(fd_);
}

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) sys::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void lockFile(int fd, int operation) {
  while (sys::flock(fd, operation) != 0 && errno == EINTR) {
  }
}

FileDescriptor openRegularFile(const std::string& path, int flags, mode_t mode) {
  // Truncation waits for the checks: a file with a second name must not be
  // emptied through this one.
  const bool truncate = (flags & O_TRUNC) != 0;
  FileDescriptor fd(
      sys::open(path.c_str(), (flags & ~O_TRUNC) | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, mode));
  if (!fd.valid()) return fd;
  struct stat status;
  if (sys::fstat(fd.get(), &status) != 0) return FileDescriptor();
  if (!S_ISREG(status.st_mode)) {
    errno = EINVAL;
    return FileDescriptor();
  }
  const bool writes = (flags & O_ACCMODE) != O_RDONLY || truncate;
  if (writes && status.st_nlink != 1) {
    errno = EMLINK;
    return FileDescriptor();
  }
  if (truncate && sys::ftruncate(fd.get(), 0) != 0) return FileDescriptor();
  return fd;
}

Result<FileDescriptor> openRegular(const std::string& path, int flags, mode_t mode) {
  FileDescriptor fd = openRegularFile(path, flags, mode);
  if (!fd.valid()) return Problem::fromErrno(errno);
  return fd;
}

Result<std::string> readRegularFile(const std::string& path) {
  const Result<FileDescriptor> file = openRegular(path, O_RDONLY);
  if (const Problem* problem = file.problem()) return *problem;
  return readToEnd(file->get());
}

Result<void> writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = sys::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    // A write that takes nothing without saying why: the file can grow no
    // further.
    if (n <= 0) return Problem::fromErrno(n < 0 ? errno : ENOSPC);
    text.remove_prefix(static_cast<size_t>(n));
  }
  return {};
}

Result<size_t> readInto(int fd, std::span<char> into, off_t at) {
  size_t done = 0;
  while (done < into.size()) {
    const size_t asked = into.size() - done;
    const ssize_t n = sys::pread(fd, into.data() + done, asked, at + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Problem::fromErrno(errno);
    done += static_cast<size_t>(n);
    // A regular file gives less than asked only at its end.
    if (static_cast<size_t>(n) < asked) break;
  }
  return done;
}

Result<std::string> readUpTo(int fd, off_t at, size_t length) {
  std::string bytes(length, '\0');
  const Result<size_t> done = readInto(fd, bytes, at);
  if (!done) return *done.problem();
  bytes.resize(*done);
  return bytes;
}

Result<std::string> readToEnd(int fd, off_t at) {
  constexpr size_t kBlock = 1 << 16;
  std::string text;
  for (;;) {
    const Result<std::string> block = readUpTo(fd, at + static_cast<off_t>(text.size()), kBlock);
    if (!block) return *block.problem();
    text += *block;
    if (block->size() < kBlock) return text;
  }
}

DirectoryNames listNames(const std::filesystem::path& dir) {
  DirectoryNames listing;
  std::error_code error;
  std::filesystem::directory_iterator it(dir, error);
  if (error == std::errc::no_such_file_or_directory) return listing;
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    listing.names.push_back(it->path().filename().string());
  }
  listing.whole = !error;
  return listing;
}

std::vector<std::string> namesIn(const std::filesystem::path& dir) {
  return listNames(dir).names;
}
