#include "audit/world_audit.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <set>

#include "common/file_handle.h"
#include "common/world_layout.h"

namespace fs = std::filesystem;

namespace {

// Lines longer than this hold no record any terminal writes; they are
// skipped whole, so a file without line feeds costs no memory.
constexpr size_t kMaxLine = 1 << 16;
constexpr size_t kBlock = 1 << 16;

using LineSink = std::function<void(std::string_view)>;

// Every line of `path` (a last one without its line feed included); false
// when the file cannot be opened or read. Overlong lines reach `take` as an
// empty view, which holds no record.
bool forEachLine(const fs::path& path, const LineSink& take) {
  const FileDescriptor file = openRegularFile(path.string(), O_RDONLY);
  if (!file.valid()) return false;
  std::string line;
  bool overlong = false;
  std::string block(kBlock, '\0');
  for (;;) {
    const ssize_t got = read(file.get(), block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;
    for (const char c : std::string_view(block.data(), static_cast<size_t>(got))) {
      if (c == '\n') {
        take(overlong ? std::string_view() : std::string_view(line));
        line.clear();
        overlong = false;
      } else if (line.size() < kMaxLine) {
        line += c;
      } else {
        overlong = true;
      }
    }
  }
  if (!line.empty() || overlong) take(overlong ? std::string_view() : std::string_view(line));
  return true;
}

// The entries of `dir`, in order of their names.
std::vector<fs::path> entriesOf(const fs::path& dir) {
  std::vector<std::string> names = namesIn(dir);
  std::sort(names.begin(), names.end());
  std::vector<fs::path> entries;
  for (const std::string& name : names) entries.push_back(dir / name);
  return entries;
}

}  // namespace

TransportSums WorldAudit::logged() const {
  return {settled.bus + waiting.bus, settled.metro + waiting.metro, settled.other + waiting.other};
}

WorldAudit auditWorld(const fs::path& root) {
  WorldAudit audit;
  const auto readLog = [&](const fs::path& path, TransportSums& into) {
    LogLedger ledger(into);
    if (!forEachLine(path, [&](std::string_view line) { ledger.line(line); })) {
      audit.unreadableFiles.push_back(path.string());
    }
    audit.unreadableLines += ledger.unreadable();
  };

  for (const fs::path& card : entriesOf(root / kCustomerDir)) {
    if (card.extension() != ".txt") continue;
    CardLedger ledger(audit.charged);
    if (!forEachLine(card, [&](std::string_view line) { ledger.line(line); })) {
      audit.unreadableFiles.push_back(card.string());
    }
    audit.unreadableLines += ledger.unreadable();
  }
  for (const TripLogPlace& log : collectedTripLogs()) {
    const fs::path live = root / log.dir / log.name;
    std::error_code error;
    if (fs::exists(fs::symlink_status(live, error))) readLog(live, audit.waiting);
    for (const fs::path& handOver : handOverFiles(root, log)) readLog(handOver, audit.waiting);
  }
  const std::set<std::string> worldDirs = {kTimeDir, kCustomerDir, kMetroDir, kBusDir};
  for (const fs::path& dir : entriesOf(root)) {
    std::error_code error;
    if (worldDirs.count(dir.filename().string()) || !fs::is_directory(dir / "archive", error)) {
      continue;
    }
    for (const fs::path& archived : entriesOf(dir / "archive")) readLog(archived, audit.settled);
  }
  return audit;
}

std::string auditReport(const WorldAudit& audit) {
  const TransportSums logged = audit.logged();
  std::string report;
  char line[160];
  snprintf(line, sizeof line, "%-8s %14s %14s %14s %14s\n", "", "charged", "logged", "settled",
           "waiting");
  report += line;
  const auto row = [&](const char* name, long long charged, long long logs, long long settled,
                       long long waiting) {
    snprintf(line, sizeof line, "%-8s %14lld %14lld %14lld %14lld\n", name, charged, logs, settled,
             waiting);
    report += line;
  };
  row("BUS", audit.charged.bus, logged.bus, audit.settled.bus, audit.waiting.bus);
  row("METRO", audit.charged.metro, logged.metro, audit.settled.metro, audit.waiting.metro);
  if (audit.charged.other != 0 || logged.other != 0) {
    row("other", audit.charged.other, logged.other, audit.settled.other, audit.waiting.other);
  }
  for (const std::string& file : audit.unreadableFiles) report += "cannot read " + file + "\n";
  if (audit.unreadableLines > 0) {
    report += std::to_string(audit.unreadableLines) + " lines hold no record (not counted)\n";
  }
  if (audit.reconciled()) {
    report +=
        "reconciled: every fee the cards paid is in a trip log, a hand-over file or an archive\n";
  } else {
    const long long missing = audit.charged.total() - logged.total();
    report += "DIFFERENCE: the cards paid " + std::to_string(audit.charged.total()) +
              ", the logs carry " + std::to_string(logged.total()) + " (" +
              std::to_string(missing) + " not logged)\n";
  }
  return report;
}
