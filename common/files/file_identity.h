// Which file a name or an open descriptor stands for, whatever it is
// called now: its device and inode, and its birth time where the file
// system keeps one, so that an inode reused by a new file is not taken for
// the old one. A rename keeps the identity, so a trip log handed over or
// archived is still the file it was.
#pragma once

#include <time.h>

#include <compare>
#include <filesystem>
#include <optional>

#include "common/base/problem.h"

struct FileIdentity {
  unsigned long long device = 0;
  unsigned long long inode = 0;
  long long born = 0;
  unsigned born_ns = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

// The identity of the open file `fd`, or the Problem that kept it.
Result<FileIdentity> fileIdentity(int fd);

// The identity of the directory entry `path` itself (a link is not
// followed). Needs no permission on the file, only on its directory; a
// Problem of kind kMissing for no such entry.
Result<FileIdentity> identityAt(const std::filesystem::path& path);

// A file as it stands at one moment: which file it is, its size and when
// its content last changed. A file that has the same state later has not
// been written in between (to the resolution of the file system's clock).
struct FileState {
  FileIdentity identity;
  long long size = 0;
  timespec modified{};
  bool unchangedFrom(const FileState& other) const {
    return identity == other.identity && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
  }
};

// The state of the open file `fd`, or of the entry `path` itself (a link
// is not followed); the Problem when it cannot be had.
Result<FileState> fileState(int fd);
Result<FileState> stateAt(const std::filesystem::path& path);
