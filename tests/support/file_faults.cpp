#include "support/file_faults.h"

#include <errno.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <utility>

#include "common/files/file_system.h"

namespace {

struct Faults {
  std::mutex mutex;
  std::vector<FileCall> calls;
  std::map<int, std::string> openFiles;
  size_t failAt = 0;  // 0: none
  int error = 0;
  size_t fullFromWrite = 0;  // 0: never
  int fullError = ENOSPC;
  std::string fullFile;
  bool fullFileWritten = false;
  size_t writes = 0;
  std::optional<FileCall> failed;
};

Faults faults;

// Notes the call; true when it is the one to fail (errno then set).
bool fails(const char* name, std::string file) {
  std::lock_guard<std::mutex> lock(faults.mutex);
  faults.calls.push_back({name, std::move(file)});
  if (faults.calls.size() != faults.failAt) return false;
  faults.failed = faults.calls.back();
  errno = faults.error;
  return true;
}

std::string fileOf(int fd) {
  std::lock_guard<std::mutex> lock(faults.mutex);
  const auto it = faults.openFiles.find(fd);
  return it == faults.openFiles.end() ? "" : it->second;
}

// How much of `length` bytes a write may take: all, some or none.
std::optional<size_t> roomFor(size_t length, const std::string& file) {
  std::lock_guard<std::mutex> lock(faults.mutex);
  ++faults.writes;
  if (!faults.fullFile.empty() && file.ends_with(faults.fullFile)) {
    if (!std::exchange(faults.fullFileWritten, true) && length > 1) return length / 2;
    if (!faults.failed) faults.failed = faults.calls.back();
    errno = faults.fullError;
    return std::nullopt;
  }
  if (faults.fullFromWrite == 0 || faults.writes < faults.fullFromWrite) return length;
  if (faults.writes == faults.fullFromWrite && length > 1) return length / 2;
  if (!faults.failed) faults.failed = faults.calls.back();
  errno = faults.fullError;
  return std::nullopt;
}

const FileCalls& real() {
  return systemFileCalls();
}

int faultyOpen(const char* path, int flags, mode_t mode) {
  if (fails("open", path)) return -1;
  const int fd = real().open(path, flags, mode);
  if (fd >= 0) {
    std::lock_guard<std::mutex> lock(faults.mutex);
    faults.openFiles[fd] = path;
  }
  return fd;
}

int faultyClose(int fd) {
  const bool failing = fails("close", fileOf(fd));
  {
    std::lock_guard<std::mutex> lock(faults.mutex);
    faults.openFiles.erase(fd);
  }
  const int closed = real().close(fd);
  if (failing) {
    errno = EIO;
    return -1;
  }
  return closed;
}

ssize_t faultyRead(int fd, void* into, size_t length) {
  return fails("read", fileOf(fd)) ? -1 : real().read(fd, into, length);
}

ssize_t faultyPread(int fd, void* into, size_t length, off_t at) {
  return fails("pread", fileOf(fd)) ? -1 : real().pread(fd, into, length, at);
}

ssize_t faultyWrite(int fd, const void* bytes, size_t length) {
  const std::string file = fileOf(fd);
  if (fails("write", file)) return -1;
  const std::optional<size_t> room = roomFor(length, file);
  return room ? real().write(fd, bytes, *room) : -1;
}

ssize_t faultyPwrite(int fd, const void* bytes, size_t length, off_t at) {
  const std::string file = fileOf(fd);
  if (fails("pwrite", file)) return -1;
  const std::optional<size_t> room = roomFor(length, file);
  return room ? real().pwrite(fd, bytes, *room, at) : -1;
}

int faultyFstat(int fd, struct stat* status) {
  return fails("fstat", fileOf(fd)) ? -1 : real().fstat(fd, status);
}

int faultyLstat(const char* path, struct stat* status) {
  return fails("lstat", path) ? -1 : real().lstat(path, status);
}

off_t faultyLseek(int fd, off_t offset, int whence) {
  return fails("lseek", fileOf(fd)) ? -1 : real().lseek(fd, offset, whence);
}

int faultyFtruncate(int fd, off_t length) {
  return fails("ftruncate", fileOf(fd)) ? -1 : real().ftruncate(fd, length);
}

int faultyFsync(int fd) {
  return fails("fsync", fileOf(fd)) ? -1 : real().fsync(fd);
}

int faultyFlock(int fd, int operation) {
  return fails("flock", fileOf(fd)) ? -1 : real().flock(fd, operation);
}

int faultyRename(const char* from, const char* to) {
  return fails("rename", to) ? -1 : real().rename(from, to);
}

int faultyRenameNoReplace(const char* from, const char* to) {
  return fails("renameNoReplace", to) ? -1 : real().renameNoReplace(from, to);
}

int faultyLink(const char* from, const char* to) {
  return fails("link", to) ? -1 : real().link(from, to);
}

int faultyUnlink(const char* path) {
  return fails("unlink", path) ? -1 : real().unlink(path);
}

int faultyStatx(int dir, const char* path, int flags, unsigned mask, struct statx* status) {
  return fails("statx", path[0] != '\0' ? std::string(path) : fileOf(dir))
             ? -1
             : real().statx(dir, path, flags, mask, status);
}

int faultyMkdir(const char* path, mode_t mode) {
  return fails("mkdir", path) ? -1 : real().mkdir(path, mode);
}

int faultyOpenAt(int dir, const char* path, int flags, mode_t mode) {
  return fails("openat", path) ? -1 : real().openat(dir, path, flags, mode);
}

int faultyFstatAt(int dir, const char* path, struct stat* status, int flags) {
  return fails("fstatat", path) ? -1 : real().fstatat(dir, path, status, flags);
}

int faultyUnlinkAt(int dir, const char* path, int flags) {
  return fails("unlinkat", path) ? -1 : real().unlinkat(dir, path, flags);
}

int faultyDuplicate(int fd) {
  return fails("duplicate", fileOf(fd)) ? -1 : real().duplicate(fd);
}

int faultyFileLock(int fd, int command, struct flock* lock) {
  return fails("fileLock", fileOf(fd)) ? -1 : real().fileLock(fd, command, lock);
}

int faultyAccess(const char* path, int mode) {
  return fails("access", path) ? -1 : real().access(path, mode);
}

char* faultyMkdtemp(char* pattern) {
  return fails("mkdtemp", pattern) ? nullptr : real().mkdtemp(pattern);
}

constexpr FileCalls kFaultyCalls = {
    faultyOpen,     faultyClose,     faultyRead,     faultyPread,           faultyWrite,
    faultyPwrite,   faultyFstat,     faultyLstat,    faultyLseek,           faultyFtruncate,
    faultyFsync,    faultyFlock,     faultyRename,   faultyRenameNoReplace, faultyLink,
    faultyUnlink,   faultyStatx,     faultyMkdir,    faultyOpenAt,          faultyFstatAt,
    faultyUnlinkAt, faultyDuplicate, faultyFileLock, faultyAccess,          faultyMkdtemp,
};

}  // namespace

FileFaults::FileFaults() {
  reset();
  file_calls = &kFaultyCalls;
}

FileFaults::~FileFaults() {
  file_calls = &systemFileCalls();
}

void FileFaults::failCall(size_t n, int error) {
  std::lock_guard<std::mutex> lock(faults.mutex);
  faults.failAt = faults.calls.size() + n;
  faults.error = error;
}

void FileFaults::fillDiskAtWrite(size_t n, int error) {
  std::lock_guard<std::mutex> lock(faults.mutex);
  faults.fullFromWrite = faults.writes + n;
  faults.fullError = error;
}

void FileFaults::fillFile(const std::string& name, int error) {
  std::lock_guard<std::mutex> lock(faults.mutex);
  faults.fullFile = name;
  faults.fullFileWritten = false;
  faults.fullError = error;
}

std::vector<FileCall> FileFaults::calls() const {
  std::lock_guard<std::mutex> lock(faults.mutex);
  return faults.calls;
}

std::optional<FileCall> FileFaults::failed() const {
  std::lock_guard<std::mutex> lock(faults.mutex);
  return faults.failed;
}

void FileFaults::reset() {
  std::lock_guard<std::mutex> lock(faults.mutex);
  faults.calls.clear();
  faults.failAt = 0;
  faults.error = 0;
  faults.fullFromWrite = 0;
  faults.fullError = ENOSPC;
  faults.fullFile.clear();
  faults.fullFileWritten = false;
  faults.writes = 0;
  faults.failed.reset();
}

std::string describeCall(const std::vector<FileCall>& calls, size_t n) {
  if (n == 0 || n > calls.size()) return std::to_string(n) + " (no such call)";
  return std::to_string(n) + " " + calls[n - 1].name + " " + calls[n - 1].file;
}
