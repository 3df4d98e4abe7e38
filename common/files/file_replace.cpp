#include "common/files/file_replace.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <thread>

#include "common/files/file_handle.h"
#include "common/files/file_system.h"

namespace {

// A name taken by someone else is retried this often with a new random part.
constexpr int kCreateAttempts = 8;

// The temporary file a replacement has in hand. The mutex is held around
// creating the file and noting or forgetting its name, never around a write.
std::mutex temp_mutex;
std::string temp_in_hand;
bool abandoned = false;

uint64_t randomToken() {
  uint64_t token = 0;
  if (getrandom(&token, sizeof token, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof token)) {
    token = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }
  return token;
}

// `path` + "." + `pid` + "." + `token` in hex.
std::string temporaryName(std::string_view path, long pid, uint64_t token) {
  char suffix[48];
  snprintf(suffix, sizeof suffix, ".%ld.%llx", pid, static_cast<unsigned long long>(token));
  return std::string(path) + suffix;
}

// Creates a fresh temporary file for `path`, its name in `name`; -1 (errno
// set) when none can be created.
int createFresh(const std::string& path, std::string& name) {
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    name = temporaryName(path, getpid(), randomToken());
    // Mode 0666 less the umask, as for any file the program creates, so the
    // terminals of other users can read the clock.
    const int fd =
        sys::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// createFresh, its name noted as the one in hand.
int createTemporary(const std::string& path, std::string& name) {
  std::lock_guard<std::mutex> lock(temp_mutex);
  if (abandoned) return -1;
  const int fd = createFresh(path, name);
  if (fd >= 0) temp_in_hand = name;
  return fd;
}

void forgetTemporary() {
  std::lock_guard<std::mutex> lock(temp_mutex);
  temp_in_hand.clear();
}

}  // namespace

Result<void> replaceFile(const std::string& path, std::string_view content) {
  std::string name;
  const int fd = createTemporary(path, name);
  if (fd < 0) return Problem::fromErrno(errno);
  // The first step that fails says why.
  Result<void> replaced = writeAll(fd, content);
  if (sys::close(fd) != 0 && replaced) replaced = Problem::fromErrno(errno);
  if (replaced && sys::rename(name.c_str(), path.c_str()) != 0) {
    replaced = Problem::fromErrno(errno);
  }
  if (!replaced) sys::unlink(name.c_str());
  forgetTemporary();
  return replaced;
}

Result<FileReplacement> FileReplacement::begin(const std::string& path) {
  std::string name;
  const int fd = createFresh(path, name);
  if (fd < 0) return Problem::fromErrno(errno);
  FileReplacement replacement;
  replacement.path_ = path;
  replacement.temporary_ = std::move(name);
  replacement.file_ = FileDescriptor(fd);
  return replacement;
}

FileReplacement::~FileReplacement() {
  if (file_.valid()) sys::unlink(temporary_.c_str());
}

Result<void> FileReplacement::commit() {
  const int fd = file_.release();
  Result<void> committed;
  if (sys::close(fd) != 0) committed = Problem::fromErrno(errno);
  if (committed && sys::rename(temporary_.c_str(), path_.c_str()) != 0) {
    committed = Problem::fromErrno(errno);
  }
  if (!committed) sys::unlink(temporary_.c_str());
  return committed;
}

bool isTemporaryNameFor(std::string_view name, std::string_view fileName) {
  if (name.size() <= fileName.size() || !name.starts_with(fileName)) return false;
  std::string_view rest = name.substr(fileName.size());
  const auto run = [&rest](std::string_view allowed) {
    if (rest.empty() || rest[0] != '.') return false;
    rest.remove_prefix(1);
    const size_t length = std::min(rest.find_first_not_of(allowed), rest.size());
    rest.remove_prefix(length);
    return length > 0;
  };
  return run("0123456789") && run("0123456789abcdef") && rest.empty();
}

void abandonReplacements(std::chrono::milliseconds wait) {
  // Polled rather than a timed lock, which ThreadSanitizer cannot follow.
  std::unique_lock<std::mutex> lock(temp_mutex, std::defer_lock);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (!lock.try_lock()) {
    if (std::chrono::steady_clock::now() >= deadline) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  abandoned = true;
  // A replacement renaming it at this moment wins or finds it gone; either
  // way no temporary file is left.
  if (!temp_in_hand.empty()) sys::unlink(temp_in_hand.c_str());
}
