// The card lock: every program that changes a card file, or reads one to
// show it, holds the file's flock meanwhile (exclusive to change it, shared
// to show it), so a tap and a top-up never interleave. The file is opened as
// a regular file only (openRegularFile, common/files/file_handle.h). A terminal
// waits for the lock as long as it takes; a tool waits a bounded time and
// gives up.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "common/files/file_handle.h"

// A card file opened and locked; `file` is invalid when it is not, and
// `opened` tells the open that failed (errno says why) from a lock not had
// within its wait.
struct CardLock {
  FileDescriptor file;
  bool opened = false;
};

// Opens `path` with `flags` and takes the flock `operation` (LOCK_EX or
// LOCK_SH) on it: without `wait`, waiting as long as it takes (a failure of
// flock itself is ignored and the file kept); with it, giving up after that
// long.
CardLock lockCardFile(const std::string& path, int flags, int operation,
                      std::optional<std::chrono::milliseconds> wait = std::nullopt);
