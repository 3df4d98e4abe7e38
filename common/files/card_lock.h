// The card lock: every program that changes a card file, or reads one to
// show it, holds the file's flock meanwhile (exclusive to change it, shared
// to show it), so a tap and a top-up never interleave. The file is opened as
// a regular file only (openRegular, common/files/file_handle.h). A terminal
// waits for the lock as long as it takes; a tool waits a bounded time and
// gives up.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "common/files/file_handle.h"

// Opens `path` with `flags` and takes the flock `operation` (LOCK_EX or
// LOCK_SH) on it: without `wait`, waiting as long as it takes (a failure of
// flock itself is ignored and the file kept); with it, giving up after that
// long. The card file opened and locked, or the open's Problem, or one of
// kind kBusy for a lock not had within the wait.
Result<FileDescriptor> lockCardFile(const std::string& path, int flags, int operation,
                                    std::optional<std::chrono::milliseconds> wait = std::nullopt);
