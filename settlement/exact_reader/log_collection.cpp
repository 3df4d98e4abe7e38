#include "settlement/exact_reader/log_collection.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "common/file_handle.h"
#include "common/world_layout.h"
#include "settlement/exact_reader/log_archive.h"

namespace fs = std::filesystem;

namespace {

// Every identity that has a name in the world's log directories; nullopt
// when a directory or an entry cannot be looked at.
std::optional<std::set<FileIdentity>> identitiesInLogDirectories(const fs::path& root) {
  std::set<FileIdentity> found;
  for (const char* dir : {kBusDir, kMetroDir}) {
    std::error_code error;
    fs::directory_iterator it(root / dir, error);
    if (error == std::errc::no_such_file_or_directory) continue;
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
      if (const auto identity = identityAt(it->path())) {
        found.insert(*identity);
      } else if (errno != ENOENT) {
        return std::nullopt;
      }
    }
    if (error) return std::nullopt;
  }
  return found;
}

}  // namespace

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

void LogCollection::reportOnce(const std::string& about, const std::string& line,
                               const ProblemSink& report) {
  if (reported_.insert(about).second) report(line);
}

Collected LogCollection::collect(const fs::path& root, const CollectedReadSink& take,
                                 const ProblemSink& report) {
  Collected collected{{}, settled_};
  // Where this collection's reads of each file ended.
  std::map<FileIdentity, off_t> readTo;
  // Reads one file from its start (a live log) or from where settling or
  // this collection reached (a hand-over file); its identity, or nullopt
  // when it is missing or cannot be read.
  const auto read = [&](const fs::path& path, bool live) -> std::optional<FileIdentity> {
    const FileDescriptor file = openRegularFile(path.string(), O_RDONLY);
    const std::optional<FileIdentity> opened =
        file.valid() ? fileIdentity(file.get()) : std::nullopt;
    if (!opened) {
      if (errno != ENOENT) report(unreadableLogText(path, errno));
      return std::nullopt;
    }
    const FileIdentity identity = *opened;
    const auto settled = settled_.find(identity);
    const off_t settledTo = settled != settled_.end() ? settled->second : 0;
    struct stat status;
    if (settledTo > 0 && fstat(file.get(), &status) == 0 && status.st_size < settledTo) {
      reportOnce("cut " + path.string() + " " + std::to_string(identity.inode) + " " +
                     std::to_string(identity.born_ns),
                 "settlement: " + path.string() + " was cut below what was settled of it (" +
                     std::to_string(status.st_size) + " of " + std::to_string(settledTo) +
                     " bytes); what it held is not settled again\n",
                 report);
    }
    off_t from = 0;
    if (!live) {
      const auto earlier = readTo.find(identity);
      from = std::max(settledTo, earlier != readTo.end() ? earlier->second : 0);
    }
    const LogReading reading = readLogFrom(
        file.get(), from, [&](std::string_view line, off_t at) { take(line, at >= settledTo); });
    if (reading.failed) report(unreadableLogText(path, errno));
    off_t& to = readTo[identity];
    to = std::max(to, reading.end);
    off_t& cursor = collected.cursor[identity];
    cursor = std::max(cursor, reading.end);
    return identity;
  };

  for (const TripLogPlace& log : collectedTripLogs()) read(root / log.dir / log.name, true);
  for (const TripLogPlace& log : collectedTripLogs()) {
    const LogFiles files = filesOfLog(root, log);
    for (const fs::path& path : files.handOvers) {
      if (const auto identity = read(path, false)) collected.handOvers.push_back({path, *identity});
    }
    for (const fs::path& path : files.strays) {
      reportOnce("stray " + path.string(),
                 "settlement: " + path.string() +
                     " is neither a trip log nor a hand-over file; it is left alone and never "
                     "settled\n",
                 report);
    }
  }
  // Entries of files not read are forgotten once no file of theirs is left.
  const bool allRead = std::all_of(settled_.begin(), settled_.end(),
                                   [&](const auto& entry) { return readTo.count(entry.first); });
  if (!allRead) {
    if (const auto present = identitiesInLogDirectories(root)) {
      std::erase_if(collected.cursor, [&](const auto& entry) {
        return !readTo.count(entry.first) && !present->count(entry.first);
      });
    }
  }
  return collected;
}

void LogCollection::archive(const std::vector<HandOverFile>& handOvers, const fs::path& archive,
                            long long cycle, const ProblemSink& report) {
  for (const HandOverFile& handOver : handOvers) {
    if (const auto problem = archiveHandOver(handOver.path, archive, cycle)) {
      // It stays, settled to its end: no collection takes it again.
      reportOnce("archive " + handOver.path.string(), *problem, report);
      continue;
    }
    settled_.erase(handOver.identity);
  }
}
