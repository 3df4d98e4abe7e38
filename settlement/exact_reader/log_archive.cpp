#include "settlement/exact_reader/log_archive.h"

#include <sys/stat.h>

#include <cerrno>

#include "common/files/file_rename.h"

namespace fs = std::filesystem;

std::string archiveProblemText(const std::string& handOver, const Problem& why) {
  return "settlement: cannot archive " + handOver + " (" + why.text() + ")\n";
}

Result<void> readyArchive(const fs::path& archive) {
  if (mkdir(archive.c_str(), 0777) != 0 && errno != EEXIST) {
    return Problem::fromErrno(archive.string() + ": ", errno);
  }
  struct stat status;
  // Never moved through a link to somewhere outside the world.
  if (lstat(archive.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    return Problem(archive.string() + " is not a directory");
  }
  return {};
}

Result<std::string> moveToArchive(const std::string& handOver, const fs::path& archive,
                                  long long cycle) {
  const std::string name = handOver.substr(handOver.rfind('/') + 1);
  const std::string into = (archive / "").string();
  const std::string ofCycle = name + "-" + std::to_string(cycle);
  for (long long attempt = 1;; ++attempt) {
    const std::string archived = attempt == 1   ? name
                                 : attempt == 2 ? ofCycle
                                                : ofCycle + "-" + std::to_string(attempt - 1);
    if (renameWithoutReplacing(handOver, into + archived)) return into + archived;
    if (errno != EEXIST) return Problem::fromErrno(errno);
  }
}
