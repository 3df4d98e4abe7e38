// A file system that fails on cue, put in place of the system's calls
// (common/files/file_system.h) for the life of a FileFaults. Every call is
// counted from 1 and noted with the file it concerns, so a test can run an
// operation once to learn its calls, then again failing each one in turn.
#pragma once

#include <cerrno>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct FileCall {
  std::string name;  // "open", "write", "ftruncate", ...
  std::string file;  // the path opened, renamed or removed; "" when unknown
};

class FileFaults {
 public:
  FileFaults();  // counts and notes, fails nothing
  ~FileFaults();
  FileFaults(const FileFaults&) = delete;
  FileFaults& operator=(const FileFaults&) = delete;

  // The `n`th call from now fails with `error` and does nothing (a close
  // still closes).
  void failCall(size_t n, int error);
  // From the `n`th write (write or pwrite) from now on the disk is full:
  // that write takes half its bytes, every later one fails with `error`
  // (EFBIG for a file-size limit).
  void fillDiskAtWrite(size_t n, int error = ENOSPC);
  // Every write to a file whose name ends with `name` fails with `error`,
  // the first taking half its bytes: a limit on that file alone.
  void fillFile(const std::string& name, int error);

  // The calls made since the faults were put in place or last reset.
  std::vector<FileCall> calls() const;
  // The call that was made to fail, if one was.
  std::optional<FileCall> failed() const;
  void reset();  // forgets the calls and the faults
};

// The `n`th call of `calls` with a word for a trace: "5 write ../Metro/x".
std::string describeCall(const std::vector<FileCall>& calls, size_t n);
