// Which file a name or an open descriptor stands for, whatever it is
// called now: its device and inode, and its birth time where the file
// system keeps one, so that an inode reused by a new file is not taken for
// the old one. A rename keeps the identity, so a trip log handed over or
// archived is still the file it was.
#pragma once

#include <sys/types.h>

#include <compare>
#include <filesystem>
#include <optional>

struct FileIdentity {
  unsigned long long device = 0;
  unsigned long long inode = 0;
  long long born = 0;
  unsigned born_ns = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

// The identity of the open file `fd`, and its size into `size` when asked
// for; nullopt when it cannot be read.
std::optional<FileIdentity> fileIdentity(int fd, off_t* size = nullptr);

// The identity of the directory entry `path` itself (a link is not
// followed). Needs no permission on the file, only on its directory;
// nullopt with errno when it cannot be had (ENOENT for no such entry).
std::optional<FileIdentity> identityAt(const std::filesystem::path& path);
