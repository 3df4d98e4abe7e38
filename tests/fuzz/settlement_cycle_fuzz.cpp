// Arbitrary bytes as the trip logs of two settlement cycles, run by
// settlementCycle over a temporary world and held to the plain reference
// (tests/support/settlement_reference.h: the reads inserted one by one into
// a linked trip list, distributed node by node). The input is split at each
// 0xFF byte: six live logs and a hand-over file of the bus log for the
// first cycle, then six pieces appended to the live logs for the second.
// Each cycle's block is the reference's byte for byte, and so is the
// statement line it adds (the second settles only what the logs gained);
// the hand-over file ends up in the archive.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "common/files/file_identity.h"
#include "common/files/world_layout.h"
#include "common/formats/made_logs.h"
#include "common/formats/statement.h"
#include "common/formats/trip_log_reading.h"
#include "settlement/settlement_constants.h"
#include "settlement/settlement_cycle.h"
#include "tests/support/settlement_reference.h"

namespace fs = std::filesystem;

namespace {

// Ends the run at a check that fails, naming its line.
void check(bool condition, int line = __builtin_LINE()) {
  if (condition) return;
  fprintf(stderr, "settlement_cycle_fuzz.cpp:%d: check failed\n", line);
  abort();
}

constexpr char kLogSeparator = '\xff';
constexpr size_t kLogs = 6;

fs::path worldRoot;

void removeWorld() {
  std::error_code ignored;
  fs::remove_all(worldRoot, ignored);
}

// One world for the whole run; the result blocks go nowhere.
SettlementClock fuzzClock;

// The cycle of the fuzz target's world, resumed afresh when asked.
SettlementCycle& cycleOf(const SettlementPlaces& places, bool afresh = false) {
  static std::unique_ptr<SettlementCycle> cycle;
  if (!cycle || afresh) {
    cycle = std::make_unique<SettlementCycle>(places, fuzzClock);
    check(cycle->resume().ok());
  }
  return *cycle;
}

const SettlementPlaces& world() {
  static const SettlementPlaces places = [] {
    std::string pattern = (fs::temp_directory_path() / "fuzz-world-XXXXXX").string();
    check(mkdtemp(pattern.data()) != nullptr);
    const fs::path root = pattern;
    worldRoot = root;
    std::atexit(removeWorld);
    for (const char* dir : {kBusDir, kMetroDir, "Settlement"}) fs::create_directory(root / dir);
    check(freopen("/dev/null", "w", stdout) != nullptr);
    const SettlementPlaces opened{root, root / "Settlement" / "archive"};
    cycleOf(opened, true);
    return opened;
  }();
  return places;
}

void write(const fs::path& path, std::string_view content, std::ios::openmode mode) {
  std::ofstream(path, std::ios::binary | mode).write(content.data(), content.size());
}

// Lists the log at `path` as one its terminal made: its lines are taps,
// never placed against what was settled, as the reference takes them.
void listAsMade(const fs::path& path, std::string_view logName) {
  const std::optional<FileState> log = stateAt(path).asOptional();
  check(log.has_value());
  check(noteLogMade(path.parent_path() / madeName(logName), log->identity));
}

// The statement's last line, read from its end, without its line feed.
std::string lastStatementLine(const fs::path& root) {
  std::ifstream statement(root / kStatementName, std::ios::binary | std::ios::ate);
  const std::streamoff size = statement.tellg();
  const std::streamoff from = std::max<std::streamoff>(0, size - 256);
  std::string tail(static_cast<size_t>(size - from), '\0');
  statement.seekg(from);
  statement.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  check(tail.ends_with('\n'));
  tail.pop_back();
  return tail.substr(tail.rfind('\n') + 1);
}

// One cycle, held to the reference over `files`.
void checkCycle(const SettlementPlaces& places, const std::vector<ReferenceFile>& files) {
  const ReferenceCycle reference = referenceCycle(files);
  check(resultBlock(cycleOf(places).cycle()) == reference.blockText());
  const std::string written = lastStatementLine(places.root);
  const std::optional<StatementLine> line = parseStatementLine(written);
  check(line.has_value());
  check(written + "\n" == reference.statementLine(line->cycle, line->clock));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const SettlementPlaces& places = world();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  while (parts.size() < 2 * kLogs) {
    const size_t end = input.find(kLogSeparator);
    if (end == std::string_view::npos) break;
    parts.push_back(input.substr(0, end));
    input.remove_prefix(end + 1);
  }
  parts.push_back(input);
  const auto part = [&](size_t i) { return i < parts.size() ? parts[i] : std::string_view(); };

  std::vector<ReferenceFile> files;
  for (size_t log = 0; log < kLogs; ++log) {
    const fs::path path = places.root / filename[log].dir / filename[log].name;
    write(path, part(log), std::ios::trunc);
    listAsMade(path, filename[log].name);
    files.push_back({std::string(part(log)), 0, 0});
  }
  const fs::path handOver = places.root / kBusDir / handOverName(kBusLogName, "1");
  const bool handedOver = parts.size() > kLogs;
  if (handedOver) {
    write(handOver, part(kLogs), std::ios::trunc);
    listAsMade(handOver, kBusLogName);
    files.push_back({std::string(part(kLogs)), 0, 0});
  }
  checkCycle(places, files);
  if (handedOver) {
    check(!fs::exists(handOver));
    check(fs::exists(places.archive / handOverName(kBusLogName, "1")));
  }

  files.clear();
  for (size_t log = 0; log < kLogs; ++log) {
    const std::string_view more = part(kLogs + 1 + log);
    write(places.root / filename[log].dir / filename[log].name, more, std::ios::app);
    files.push_back({std::string(part(log)) + std::string(more), 0, completeReadsEnd(part(log))});
  }
  checkCycle(places, files);

  // The next input starts a world never settled: a log made again with the
  // bytes of one settled before would otherwise be taken as settled.
  std::error_code ignored;
  fs::remove_all(places.archive, ignored);
  for (const TripLogPlace& log : filename) fs::remove(places.root / log.dir / log.name, ignored);
  fs::remove(places.root / kStatementName, ignored);
  fs::remove(places.root / kSettlementStateName, ignored);
  fs::remove(places.root / kLedgerName, ignored);
  cycleOf(places, true);
  return 0;
}
