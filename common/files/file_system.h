// The one way the programs reach the file system: every open, read, write,
// truncation, lock, rename and unlink, every look at which file a name or
// a descriptor is (statx) and every directory made, of the terminals, the
// settlement and the tools, goes through the table of calls below, each with the
// system's own signature and errno. The table in use is the system's; a
// test puts in another (tests/support/file_faults.h) to make the n-th call
// fail and so walk every undo path without filling a disk.
//
// A call through the table costs one indirect call beside the system call
// itself. The table is replaced only while no other thread makes a call.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

struct FileCalls {
  int (*open)(const char* path, int flags, mode_t mode);
  int (*close)(int fd);
  ssize_t (*read)(int fd, void* into, size_t length);
  ssize_t (*pread)(int fd, void* into, size_t length, off_t at);
  ssize_t (*write)(int fd, const void* bytes, size_t length);
  ssize_t (*pwrite)(int fd, const void* bytes, size_t length, off_t at);
  int (*fstat)(int fd, struct stat* status);
  int (*lstat)(const char* path, struct stat* status);
  off_t (*lseek)(int fd, off_t offset, int whence);
  int (*ftruncate)(int fd, off_t length);
  int (*fsync)(int fd);
  int (*flock)(int fd, int operation);
  int (*rename)(const char* from, const char* to);
  // rename that fails with EEXIST rather than replace `to`.
  int (*renameNoReplace)(const char* from, const char* to);
  int (*link)(const char* from, const char* to);
  int (*unlink)(const char* path);
  // Which file a descriptor or a name is, and its size and times.
  int (*statx)(int dir, const char* path, int flags, unsigned mask, struct statx* status);
  int (*mkdir)(const char* path, mode_t mode);
  // The same below an open directory, never through a link where the flags
  // say so: a world's cards made, its trips removed.
  int (*openat)(int dir, const char* path, int flags, mode_t mode);
  int (*fstatat)(int dir, const char* path, struct stat* status, int flags);
  int (*unlinkat)(int dir, const char* path, int flags);
  // A second descriptor of `fd`, closed on exec: a directory listed.
  int (*duplicate)(int fd);
  // fcntl's open-file-description locks (F_OFD_SETLK, F_OFD_GETLK).
  int (*fileLock)(int fd, int command, struct flock* lock);
  // Whether this user may use `path` as `mode` asks (X_OK: run it).
  int (*access)(const char* path, int mode);
  // A fresh directory named after `pattern`, its XXXXXX filled in.
  char* (*mkdtemp)(char* pattern);
};

// The system's own calls.
const FileCalls& systemFileCalls();

// The table in use; systemFileCalls() unless a test has put in another.
extern const FileCalls* file_calls;

// The calls of the table in use, named as the system names them.
namespace sys {
inline int open(const char* path, int flags, mode_t mode = 0) {
  return file_calls->open(path, flags, mode);
}
inline int close(int fd) {
  return file_calls->close(fd);
}
inline ssize_t read(int fd, void* into, size_t length) {
  return file_calls->read(fd, into, length);
}
inline ssize_t pread(int fd, void* into, size_t length, off_t at) {
  return file_calls->pread(fd, into, length, at);
}
inline ssize_t write(int fd, const void* bytes, size_t length) {
  return file_calls->write(fd, bytes, length);
}
inline ssize_t pwrite(int fd, const void* bytes, size_t length, off_t at) {
  return file_calls->pwrite(fd, bytes, length, at);
}
inline int fstat(int fd, struct stat* status) {
  return file_calls->fstat(fd, status);
}
inline int lstat(const char* path, struct stat* status) {
  return file_calls->lstat(path, status);
}
inline off_t lseek(int fd, off_t offset, int whence) {
  return file_calls->lseek(fd, offset, whence);
}
inline int ftruncate(int fd, off_t length) {
  return file_calls->ftruncate(fd, length);
}
inline int fsync(int fd) {
  return file_calls->fsync(fd);
}
inline int flock(int fd, int operation) {
  return file_calls->flock(fd, operation);
}
inline int rename(const char* from, const char* to) {
  return file_calls->rename(from, to);
}
inline int renameNoReplace(const char* from, const char* to) {
  return file_calls->renameNoReplace(from, to);
}
inline int link(const char* from, const char* to) {
  return file_calls->link(from, to);
}
inline int unlink(const char* path) {
  return file_calls->unlink(path);
}
inline int statx(int dir, const char* path, int flags, unsigned mask, struct statx* status) {
  return file_calls->statx(dir, path, flags, mask, status);
}
inline int mkdir(const char* path, mode_t mode) {
  return file_calls->mkdir(path, mode);
}
inline int openat(int dir, const char* path, int flags, mode_t mode = 0) {
  return file_calls->openat(dir, path, flags, mode);
}
inline int fstatat(int dir, const char* path, struct stat* status, int flags) {
  return file_calls->fstatat(dir, path, status, flags);
}
inline int unlinkat(int dir, const char* path, int flags) {
  return file_calls->unlinkat(dir, path, flags);
}
inline int duplicate(int fd) {
  return file_calls->duplicate(fd);
}
inline int fileLock(int fd, int command, struct flock* lock) {
  return file_calls->fileLock(fd, command, lock);
}
inline int access(const char* path, int mode) {
  return file_calls->access(path, mode);
}
inline char* mkdtemp(char* pattern) {
  return file_calls->mkdtemp(pattern);
}
}  // namespace sys
