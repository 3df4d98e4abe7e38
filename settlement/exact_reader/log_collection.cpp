#include "settlement/exact_reader/log_collection.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "common/file_handle.h"
#include "common/world_layout.h"
#include "settlement/exact_reader/log_archive.h"

namespace fs = std::filesystem;

std::optional<FileIdentity> fileIdentity(int fd) {
  struct statx status;
  if (statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &status) != 0) return std::nullopt;
  FileIdentity identity;
  identity.device = makedev(status.stx_dev_major, status.stx_dev_minor);
  identity.inode = status.stx_ino;
  if (status.stx_mask & STATX_BTIME) {
    identity.born = status.stx_btime.tv_sec;
    identity.born_ns = status.stx_btime.tv_nsec;
  }
  return identity;
}

std::string unreadableLogText(const fs::path& path, int error) {
  std::string why;
  if (error == ELOOP) {
    why = "a symbolic link";
  } else if (error == EINVAL) {
    why = "not a regular file";
  } else {
    const char* description = strerrordesc_np(error);
    why = description != nullptr ? description : "error " + std::to_string(error);
  }
  return "settlement: cannot read " + path.string() + " (" + why + ")\n";
}

std::vector<HandOverFile> LogCollection::collect(const fs::path& root, const LogLineSink& take,
                                                 const ProblemSink& report) {
  std::map<FileIdentity, off_t> taken;
  // Reads one file from its start (a live log) or from where it was last
  // taken (a hand-over file); its identity, or nullopt when it is missing
  // or cannot be read.
  const auto read = [&](const fs::path& path, bool live) -> std::optional<FileIdentity> {
    const FileDescriptor file = openRegularFile(path.string(), O_RDONLY);
    const std::optional<FileIdentity> opened =
        file.valid() ? fileIdentity(file.get()) : std::nullopt;
    if (!opened) {
      if (errno != ENOENT) report(unreadableLogText(path, errno));
      return std::nullopt;
    }
    const FileIdentity identity = *opened;
    off_t from = 0;
    if (!live) {
      // Taken earlier in this collection (renamed right after its live
      // read), or by the collection before.
      if (const auto now = taken.find(identity); now != taken.end()) {
        from = now->second;
      } else if (const auto before = taken_.find(identity); before != taken_.end()) {
        from = before->second;
      }
    }
    const LogReading reading = readLogFrom(file.get(), from, take);
    if (reading.failed) report(unreadableLogText(path, errno));
    taken[identity] = reading.end;
    return identity;
  };

  for (const TripLogPlace& log : collectedTripLogs()) read(root / log.dir / log.name, true);
  std::vector<HandOverFile> handOvers;
  for (const TripLogPlace& log : collectedTripLogs()) {
    for (const fs::path& path : handOverFiles(root, log)) {
      if (const auto identity = read(path, false)) handOvers.push_back({path, *identity});
    }
  }
  // Files no longer seen are forgotten: a live log handed over is found
  // again under its new name in the very next collection.
  taken_ = std::move(taken);
  return handOvers;
}

void LogCollection::settle(const std::vector<HandOverFile>& handOvers, const fs::path& archive,
                           const ProblemSink& report) {
  for (const HandOverFile& handOver : handOvers) {
    if (const auto problem = archiveHandOver(handOver.path, archive)) {
      // It stays, and keeps its place in taken_: the next collection reads
      // nothing of it again.
      report(*problem);
      continue;
    }
    taken_.erase(handOver.identity);
  }
}
