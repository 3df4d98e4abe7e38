// Replacing a small file whole, so that a reader opening it at any moment
// sees either the old content or the new, never an empty or partial file.
// The new content goes into a temporary file created fresh beside the file
// (exclusive create, no link followed) under a name no one else can have
// taken: the file's name, the process id and a random part
// ("../time/time.txt.4242.9f3c07d1a2b4e655"). Whatever else stands in the
// directory (a link, a FIFO, someone else's file), nothing is ever opened
// through it or written into it.
//
// The process may end in the middle of a replacement: abandonReplacements
// removes the temporary file a replacement has created and not yet renamed,
// and makes every later replacement fail without creating one.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "common/base/problem.h"
#include "common/files/file_handle.h"

// Writes `content` to a fresh temporary file and renames it over `path`.
// The Problem of the step that failed (its text the system's description
// of the error, its kind from it), with the temporary file removed.
Result<void> replaceFile(const std::string& path, std::string_view content);

// A replacement written in pieces, for a file too large to hold whole: its
// temporary file is created by begin (beside `path`, as replaceFile's),
// written through fd(), and renamed over `path` by commit. One dropped
// uncommitted removes its temporary file. abandonReplacements does not
// know of it: its owner removes it.
class FileReplacement {
 public:
  static Result<FileReplacement> begin(const std::string& path);
  FileReplacement(FileReplacement&&) noexcept = default;
  FileReplacement& operator=(FileReplacement&&) = delete;
  ~FileReplacement();

  int fd() const { return file_.get(); }
  // Closes the temporary file and renames it over `path`, once; the
  // Problem of the step that failed, the temporary file then removed.
  Result<void> commit();

 private:
  FileReplacement() = default;

  std::string path_;
  std::string temporary_;
  FileDescriptor file_;
};

// Whether `name` (a name in the directory of `fileName`) is one that
// replaceFile gives a temporary file for `fileName`.
bool isTemporaryNameFor(std::string_view name, std::string_view fileName);

// For the thread that ends the process. Waits at most `wait` for a
// temporary file being created; gives up (and leaves everything as it is)
// when that takes longer.
void abandonReplacements(std::chrono::milliseconds wait);
