#include "settlement/exact_reader/log_archive.h"

#include "common/files/file_handle.h"
#include "common/files/file_rename.h"

namespace fs = std::filesystem;

std::string archiveProblemText(const std::string& handOver, const Problem& why) {
  return "settlement: cannot archive " + handOver + " (" + why.text() + ")\n";
}

Result<void> readyArchive(const fs::path& archive) {
  // Never moved through a link to somewhere outside the world.
  return makeDirectory(archive);
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
    const Result<void> renamed = renameWithoutReplacing(handOver, into + archived);
    if (renamed) return into + archived;
    if (!renamed.problem()->is(Problem::Kind::kExists)) return *renamed.problem();
  }
}
