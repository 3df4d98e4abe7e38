// The file handles the programs read and append with: an owned descriptor
// that closes itself (and so drops any flock taken on it), the flock call,
// and an open that takes regular files only. Every file a program reads or
// writes in a world goes through openRegularFile, so a FIFO, a device, a
// directory or a symbolic link in its place is a file that cannot be opened,
// and nothing is ever created or written through a link.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An open file descriptor, closed when its owner goes; an flock taken on it
// is released with it.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(FileDescriptor&& other) noexcept;
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

 private:
  int fd_;
};

// flock that waits through interruptions; failures are ignored (the
// append or read then goes ahead unlocked).
void lockFile(int fd, int operation);

// Writes all of `text` to `fd`, write after write; false on the first
// write that takes nothing (a full disk, a file-size limit).
bool writeAll(int fd, std::string_view text);

// The names in the directory `dir`; empty when it cannot be read.
std::vector<std::string> namesIn(const std::filesystem::path& dir);

// Which file a descriptor or a name stands for, and its size and last
// change of content at that moment: two names or descriptors with the same
// device and inode are the same file.
struct FileSnapshot {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  bool sameFileAs(const FileSnapshot& other) const {
    return device == other.device && inode == other.inode;
  }
  // The same file, not written since: same size and modification time.
  bool unchangedFrom(const FileSnapshot& other) const {
    return sameFileAs(other) && size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec;
  }
};

// The open file `fd` as it stands now; nullopt when fstat fails.
std::optional<FileSnapshot> snapshotOf(int fd);
// What `path` names itself (a link is not followed) as it stands now;
// nullopt when nothing is there.
std::optional<FileSnapshot> snapshotAt(const std::string& path);

// Up to `length` bytes of `fd` from offset `at` (fewer at the end of the
// file); nullopt when a read fails.
std::optional<std::string> readUpTo(int fd, off_t at, size_t length);

// Opens `path` with `flags` plus O_NOFOLLOW, O_NONBLOCK and O_CLOEXEC and
// keeps it only when it is a regular file. A symbolic link in its place is
// refused, even with O_CREAT (a dangling link never creates its target), so
// nothing is read, created or written through a link; a FIFO or a device in
// its place never blocks the open. A file opened for writing (or
// truncating) must also have exactly one name: a hard link would carry the
// write to a file outside the world. errno tells why a file is not kept
// (ENOENT for a missing one, ELOOP for a link, EINVAL for one that is not
// regular, EMLINK for a written file with a second name).
FileDescriptor openRegularFile(const std::string& path, int flags, mode_t mode = 0);
