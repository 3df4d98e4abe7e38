#include "settlement/exact_reader/log_archive.h"

#include <string.h>
#include <sys/stat.h>

#include <cerrno>

#include "common/file_rename.h"

namespace fs = std::filesystem;

namespace {

std::string errorText(int error) {
  const char* description = strerrordesc_np(error);
  return description != nullptr ? description : "error " + std::to_string(error);
}

}  // namespace

std::string archiveProblemText(const std::string& handOver, const std::string& why) {
  return "settlement: cannot archive " + handOver + " (" + why + ")\n";
}

std::optional<std::string> openArchive(const fs::path& archive) {
  if (mkdir(archive.c_str(), 0777) != 0 && errno != EEXIST) {
    return archive.string() + ": " + errorText(errno);
  }
  struct stat status;
  // Never moved through a link to somewhere outside the world.
  if (lstat(archive.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    return archive.string() + " is not a directory";
  }
  return std::nullopt;
}

std::optional<std::string> archiveHandOver(const std::string& handOver, const fs::path& archive,
                                           long long cycle) {
  const std::string name = handOver.substr(handOver.rfind('/') + 1);
  const std::string into = (archive / "").string();
  const std::string ofCycle = name + "-" + std::to_string(cycle);
  for (long long attempt = 1;; ++attempt) {
    const std::string archived = attempt == 1   ? name
                                 : attempt == 2 ? ofCycle
                                                : ofCycle + "-" + std::to_string(attempt - 1);
    if (renameWithoutReplacing(handOver, into + archived)) return std::nullopt;
    if (errno != EEXIST) return archiveProblemText(handOver, errorText(errno));
  }
}
