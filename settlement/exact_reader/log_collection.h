// What the settlement collects from a world's trip logs, and what it keeps
// in mind between collections so that a log handed over by its terminal is
// neither lost nor counted twice.
//
// Every collection reads the six live logs from their start, as they stand
// (a block covers everything in them at that moment), and then every
// hand-over file beside them. A hand-over file is the same file as the live
// log some collection may have read before (a rename keeps its device and
// inode): only the reads after what that collection took are new. A
// hand-over file never seen before is read whole. Once the block that
// covered a hand-over file is printed, the file is moved into the archive
// and forgotten.
#pragma once

#include <sys/types.h>

#include <compare>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settlement/exact_reader/log_lines.h"

// A file, whatever its name: its device and inode, and its birth time where
// the file system keeps one, so that an inode reused by a new file is not
// taken for the old one.
struct FileIdentity {
  unsigned long long device = 0;
  unsigned long long inode = 0;
  long long born = 0;
  unsigned born_ns = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

// The identity of the open file `fd`; nullopt when it cannot be read.
std::optional<FileIdentity> fileIdentity(int fd);

struct HandOverFile {
  std::filesystem::path path;  // root/Bus/busfile.txt.7
  FileIdentity identity;
};

// Receives one line naming a file that exists but cannot be read.
using ProblemSink = std::function<void(const std::string&)>;

class LogCollection {
 public:
  // One collection under the world's `root`: every taken read of the live
  // logs, then of the hand-over files (by log, oldest first), goes to
  // `take`. Returns the hand-over files that were read.
  std::vector<HandOverFile> collect(const std::filesystem::path& root, const LogLineSink& take,
                                    const ProblemSink& report);

  // Moves the hand-over files of the block just printed into `archive`. A
  // file that cannot be moved is reported and stays where it is; this run
  // has taken all of it and never counts it again.
  void settle(const std::vector<HandOverFile>& handOvers, const std::filesystem::path& archive,
              const ProblemSink& report);

 private:
  // How far each file was taken by the last collection that read it.
  std::map<FileIdentity, off_t> taken_;
};

// "settlement: cannot read <path> (<why>)" for the error `error`.
std::string unreadableLogText(const std::filesystem::path& path, int error);
