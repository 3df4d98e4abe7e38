// The file handles the programs read and append with: an owned descriptor
// that closes itself (and so drops any flock taken on it), the flock call,
// and an open that takes regular files only. Every file a program reads or
// writes in a world goes through openRegular, so a FIFO, a device, a
// directory or a symbolic link in its place is a file that cannot be opened,
// and nothing is ever created or written through a link.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/base/problem.h"

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
  // The descriptor, no longer owned: the caller closes it.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// flock that waits through interruptions; failures are ignored (the
// append or read then goes ahead unlocked).
void lockFile(int fd, int operation);
// An exclusive flock taken now or not at all: a Problem of kind kBusy when
// another holds it.
Result<void> lockFileNow(int fd);

// The directory `dir` opened to hold it and to create files in, never
// through a link: what stands at its name otherwise is a Problem that says
// what it found (kLink, kNoFile).
Result<FileDescriptor> openDirectory(const std::filesystem::path& dir);

// Creates the file `name` in the open directory `dir`, for writing: a name
// already taken (by a file, a link or anything else) is a Problem of kind
// kExists, and nothing is written through it.
Result<FileDescriptor> createFileIn(int dir, const std::string& name, mode_t mode);

// A fresh directory in the system's temporary folder, named `prefix`
// followed by six random characters.
Result<std::filesystem::path> makeTemporaryDirectory(const std::string& prefix);

// Writes all of `text` to `fd`, write after write; the Problem of the
// first write that takes nothing (a full disk, a file-size limit).
Result<void> writeAll(int fd, std::string_view text);

// The names in the directory `dir`, and whether the listing is whole: a
// missing directory lists whole and empty; one that cannot be opened, or an
// entry that cannot be listed, ends the listing short of whole.
struct DirectoryNames {
  std::vector<std::string> names;
  bool whole = true;
};
DirectoryNames listNames(const std::filesystem::path& dir);

// The names listNames finds in `dir` (none when it cannot be read).
std::vector<std::string> namesIn(const std::filesystem::path& dir);

// Fills `into` with the bytes of `fd` from offset `at`, read after read
// through interruptions, short only at the end of the file (a regular file
// gives less than asked only there); how many were read, or the Problem of
// the read that failed. Every bounded read of a file goes through this loop.
Result<size_t> readInto(int fd, std::span<char> into, off_t at);

// Up to `length` bytes of `fd` from offset `at` (fewer at the end of the
// file), or the Problem of the read that failed.
Result<std::string> readUpTo(int fd, off_t at, size_t length);

// The bytes of `fd` from offset `at` to its end, read in blocks, or the
// Problem of the read that failed.
Result<std::string> readToEnd(int fd, off_t at = 0);

// Writes `bytes` at offset `at` of `fd` with one write (through
// interruptions): a note rewritten in place. A write that takes less is a
// Problem (of kind kNoSpace when the system gives no reason).
Result<void> writeAt(int fd, std::string_view bytes, off_t at);

// lseek and fsync of the open file `fd`, or the Problem that kept them.
Result<off_t> seekFile(int fd, off_t offset, int whence);
Result<void> syncFile(int fd);

// Makes the directory `dir` unless a directory already stands at its name;
// anything else there (a symbolic link included: nothing is ever moved
// through one) is a Problem.
Result<void> makeDirectory(const std::filesystem::path& dir);

// Cuts the open file `fd` to `size` bytes, through interruptions, or the
// Problem that kept it.
Result<void> cutFile(int fd, off_t size);

// The status of the open file `fd` (fstat), or of the directory entry
// `path` itself (lstat: a link is not followed), or the Problem that kept
// it.
Result<struct stat> fileStatus(int fd);
Result<struct stat> entryStatus(const std::string& path);

// Opens `path` with `flags` plus O_NOFOLLOW, O_NONBLOCK and O_CLOEXEC and
// keeps it only when it is a regular file. A symbolic link in its place is
// refused, even with O_CREAT (a dangling link never creates its target), so
// nothing is read, created or written through a link; a FIFO or a device in
// its place never blocks the open. A file opened for writing (or
// truncating) must also have exactly one name: a hard link would carry the
// write to a file outside the world. O_NOATIME is dropped where the system
// does not allow it (a file of another user). A file not kept is a Problem
// worded from the system's error (of kind kMissing for a missing file);
// one refused for what stands at its name says what it found (a link
// "Too many levels of symbolic links", a file that is not regular "Invalid
// argument", a written file with a second name "Too many links").
Result<FileDescriptor> openRegular(const std::string& path, int flags, mode_t mode = 0);

// The bytes of the regular file at `path`, opened as openRegular opens it
// for reading, or the Problem of its open or of its read.
Result<std::string> readRegularFile(const std::string& path);
// The same, a missing file being no problem: nullopt; any other Problem
// worded as "<shown> cannot be read: <why>".
Result<std::optional<std::string>> readRegularFileIfPresent(const std::string& path,
                                                            const std::string& shown);
