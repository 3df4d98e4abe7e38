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

Result<void> writeAt(int fd, std::string_view bytes, off_t at) {
  for (;;) {
    const ssize_t n = sys::pwrite(fd, bytes.data(), bytes.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Problem::fromErrno(errno);
    if (n != static_cast<ssize_t>(bytes.size())) return Problem::fromErrno(ENOSPC);
    return {};
  }
}

Result<off_t> seekFile(int fd, off_t offset, int whence) {
  const off_t at = sys::lseek(fd, offset, whence);
  if (at < 0) return Problem::fromErrno(errno);
  return at;
}

Result<void> syncFile(int fd) {
  if (sys::fsync(fd) != 0) return Problem::fromErrno(errno);
  return {};
}

Result<void> makeDirectory(const std::filesystem::path& dir) {
  if (sys::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
    return Problem::fromErrno(dir.string() + ": ", errno);
  }
  struct stat status;
  if (sys::lstat(dir.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    return Problem(dir.string() + " is not a directory", Problem::Kind::kNotRegular);
  }
  return {};
}

Result<void> cutFile(int fd, off_t size) {
  while (sys::ftruncate(fd, size) != 0) {
    if (errno != EINTR) return Problem::fromErrno(errno);
  }
  return {};
}

Result<void> lockFileNow(int fd) {
  while (sys::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return Problem::fromErrno(errno);
  }
  return {};
}

Result<FileDescriptor> openDirectory(const std::filesystem::path& dir) {
  FileDescriptor held(sys::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (held.valid()) return held;
  const int error = errno;
  const Problem problem = Problem::fromErrno(error);
  if (error == ELOOP) return problem.finding(Problem::Found::kLink);
  if (error == ENOTDIR) return problem.finding(Problem::Found::kNoFile);
  return problem;
}

Result<FileDescriptor> createFileIn(int dir, const std::string& name, mode_t mode) {
  FileDescriptor file(
      sys::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
  if (!file.valid()) return Problem::fromErrno(errno);
  return file;
}

Result<struct stat> fileStatus(int fd) {
  struct stat status;
  if (sys::fstat(fd, &status) != 0) return Problem::fromErrno(errno);
  return status;
}

Result<struct stat> entryStatus(const std::string& path) {
  struct stat status;
  if (sys::lstat(path.c_str(), &status) != 0) return Problem::fromErrno(errno);
  return status;
}

Result<FileDescriptor> openRegular(const std::string& path, int flags, mode_t mode) {
  // Truncation waits for the checks: a file with a second name must not be
  // emptied through this one.
  const bool truncate = (flags & O_TRUNC) != 0;
  const int opening = (flags & ~O_TRUNC) | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC;
  FileDescriptor fd(sys::open(path.c_str(), opening, mode));
  if (!fd.valid() && errno == EPERM && (flags & O_NOATIME) != 0) {
    fd = FileDescriptor(sys::open(path.c_str(), opening & ~O_NOATIME, mode));
  }
  if (!fd.valid()) {
    const int error = errno;
    const Problem problem = Problem::fromErrno(error);
    if (error == ELOOP) return problem.finding(Problem::Found::kLink);
    if (error == EACCES) return problem.finding(Problem::Found::kForbidden);
    return problem;
  }
  struct stat status;
  if (sys::fstat(fd.get(), &status) != 0) return Problem::fromErrno(errno);
  if (!S_ISREG(status.st_mode)) return Problem::fromErrno(EINVAL).finding(Problem::Found::kNoFile);
  const bool writes = (flags & O_ACCMODE) != O_RDONLY || truncate;
  if (writes && status.st_nlink != 1) {
    return Problem::fromErrno(EMLINK).finding(Problem::Found::kSecondName);
  }
  if (truncate && sys::ftruncate(fd.get(), 0) != 0) return Problem::fromErrno(errno);
  return fd;
}

Result<std::string> readRegularFile(const std::string& path) {
  const Result<FileDescriptor> file = openRegular(path, O_RDONLY);
  if (const Problem* problem = file.problem()) return *problem;
  return readToEnd(file->get());
}

Result<std::optional<std::string>> readRegularFileIfPresent(const std::string& path,
                                                            const std::string& shown) {
  Result<std::string> text = readRegularFile(path);
  if (const Problem* problem = text.problem()) {
    if (problem->is(Problem::Kind::kMissing)) return std::optional<std::string>();
    return problem->within(shown + " cannot be read: ");
  }
  return std::optional<std::string>(std::move(*text));
}

Result<std::filesystem::path> makeTemporaryDirectory(const std::string& prefix) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  if (error) return Problem::fromErrno(error.value());
  std::string pattern = (folder / (prefix + "XXXXXX")).string();
  if (sys::mkdtemp(pattern.data()) == nullptr) return Problem::fromErrno(errno);
  return std::filesystem::path(pattern);
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
