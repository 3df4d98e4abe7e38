#include "common/files/world_files.h"

#include <algorithm>
#include <set>

#include "common/files/file_handle.h"
#include "common/files/file_replace.h"

namespace fs = std::filesystem;

namespace {

bool isRealDirectory(const fs::path& path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() == fs::file_type::directory;
}

std::vector<std::string> sortedNamesIn(const fs::path& dir) {
  std::vector<std::string> names = namesIn(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// The names at the world's root that are directories other than the
// programs', entered only when they are no link.
std::vector<std::string> otherDirsOf(const fs::path& world) {
  std::vector<std::string> dirs;
  for (const std::string& name : sortedNamesIn(world)) {
    if (!isProgramsDir(name) && isRealDirectory(world / name)) dirs.push_back(name);
  }
  return dirs;
}

}  // namespace

Result<fs::path> worldAt(const fs::path& dir, std::span<const char* const> needs) {
  std::error_code error;
  for (const char* need : needs) {
    if (!fs::is_directory(dir / need, error)) {
      return Problem((dir / need).string() + " is missing: " + dir.string() + " is no world");
    }
  }
  fs::path root = fs::canonical(dir, error);
  if (error || !fs::is_directory(root, error)) {
    return Problem(dir.string() + " is no world: " + error.message());
  }
  return root;
}

bool isProgramsDir(std::string_view name) {
  return name == kTimeDir || name == kCustomerDir || name == kMetroDir || name == kBusDir;
}

std::optional<std::string> linkedProgramDir(const fs::path& world) {
  for (const char* dir : {kTimeDir, kCustomerDir, kMetroDir, kBusDir}) {
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(world / dir, error))) return std::string(dir);
  }
  return std::nullopt;
}

std::optional<std::string> cardOfFileName(std::string_view name) {
  if (!name.ends_with(kCardFileExtension)) return std::nullopt;
  name.remove_suffix(kCardFileExtension.size());
  if (!isValidCardNumber(name)) return std::nullopt;
  return std::string(name);
}

std::vector<std::string> cardsOf(const fs::path& world) {
  std::vector<std::string> cards;
  for (const std::string& name : sortedNamesIn(world / kCustomerDir)) {
    if (std::optional<std::string> card = cardOfFileName(name)) cards.push_back(std::move(*card));
  }
  return cards;
}

fs::path cardPath(const fs::path& world, std::string_view card) {
  return world / kCustomerDir / cardFileName(card);
}

std::vector<fs::path> archivesOf(const fs::path& world) {
  std::vector<fs::path> archives;
  for (const std::string& dir : otherDirsOf(world)) {
    if (isRealDirectory(world / dir / kArchiveDir)) archives.push_back(world / dir / kArchiveDir);
  }
  return archives;
}

std::vector<std::string> tripFilesOf(const fs::path& world) {
  std::vector<std::string> trips;
  std::set<std::string> listed;
  for (const TripLogPlace& log : collectedTripLogs()) {
    if (!listed.insert(log.dir).second) continue;
    const std::vector<std::string> names = sortedNamesIn(world / log.dir);
    for (const TripLogPlace& other : collectedTripLogs()) {
      if (other.dir != log.dir) continue;
      for (const std::string& name : names) {
        const LogFileKind kind = logFileKind(name, other.name);
        if (kind == LogFileKind::kUnrelated || name == roleLockName(other.name)) continue;
        trips.push_back(log.dir + "/" + name);
      }
    }
  }
  for (const std::string& name : sortedNamesIn(world)) {
    for (const std::string_view file : {kStatementName, kSettlementStateName, kLedgerName}) {
      if (name == file || isTemporaryNameFor(name, file)) trips.push_back(name);
    }
  }
  for (const std::string& dir : otherDirsOf(world)) {
    std::error_code error;
    if (fs::exists(fs::symlink_status(world / dir / kArchiveDir, error))) {
      trips.push_back(dir + "/" + kArchiveDir);
    }
  }
  return trips;
}
