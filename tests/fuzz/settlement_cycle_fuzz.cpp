// Arbitrary bytes as the trip logs of one settlement cycle, run by
// settlementCycle over a temporary world: the input is split at each 0xFF
// byte into the six live logs and a seventh part, a hand-over file of the
// bus log. The cycle reads them in blocks, collects their complete lines
// into the trip list, which stays in time order, apportions the journeys
// and counts the other fees: BUS + METRO is exactly the sum of the fees of
// the records a whole-content reading of the same logs gives (totals wrap
// at 64 bits, so the sum is taken the same way), and the hand-over file
// ends up in the archive. Every file is new, so the statement's new line
// settles every one of those records, and its shares add up to its fees.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "common/statement.h"
#include "common/trip_log_reading.h"
#include "common/world_layout.h"
#include "settlement/list/list.h"
#include "settlement/list/trip_line.h"
#include "settlement/settlement_constants.h"
#include "settlement/settlement_cycle.h"

namespace fs = std::filesystem;

namespace {

void check(bool condition) {
  if (!condition) abort();
}

constexpr char kLogSeparator = '\xff';

fs::path worldRoot;

void removeWorld() {
  std::error_code ignored;
  fs::remove_all(worldRoot, ignored);
}

// One world for the whole run; the result blocks go nowhere.
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
    check(!openSettlement(opened));
    return opened;
  }();
  return places;
}

void write(const fs::path& path, std::string_view content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(content.data(), content.size());
}

// The statement's last line, read from its end.
StatementLine lastStatementLine(const fs::path& root) {
  std::ifstream statement(root / kStatementName, std::ios::binary | std::ios::ate);
  const std::streamoff size = statement.tellg();
  const std::streamoff from = std::max<std::streamoff>(0, size - 256);
  std::string tail(static_cast<size_t>(size - from), '\0');
  statement.seekg(from);
  statement.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  check(tail.ends_with('\n'));
  tail.pop_back();
  const auto line = parseStatementLine(tail.substr(tail.rfind('\n') + 1));
  check(line.has_value());
  return *line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const SettlementPlaces& places = world();
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  while (parts.size() < filename.size()) {
    const size_t end = input.find(kLogSeparator);
    if (end == std::string_view::npos) break;
    parts.push_back(input.substr(0, end));
    input.remove_prefix(end + 1);
  }
  parts.push_back(input);

  uint64_t fees = 0;
  long long records = 0;
  for (size_t part = 0; part < parts.size(); ++part) {
    const bool handOver = part == filename.size();
    const TripLogPlace& log = filename[handOver ? 0 : part];
    const std::string name = handOver ? handOverName(log.name, "1") : log.name;
    write(places.root / log.dir / name, parts[part]);
    for (const std::string_view line : completeLogLines(parts[part])) {
      if (const auto node = parseTripLine(line)) {
        fees += static_cast<uint64_t>(static_cast<int64_t>(node->fee));
        ++records;
      }
    }
  }
  const Totals block = settlementCycle(places);
  const auto sum = [](const OperatorAmounts& amounts) {
    return static_cast<uint64_t>(amounts[kBusOperator]) +
           static_cast<uint64_t>(amounts[kMetroOperator]);
  };
  check(sum(block) == fees);
  const StatementLine line = lastStatementLine(places.root);
  check(line.records == records);
  check(sum(line.fees) == fees);
  check(sum(line.shares) == fees);
  check(tripList().empty());
  if (parts.size() > filename.size()) {
    check(!fs::exists(places.root / kBusDir / handOverName(kBusLogName, "1")));
    check(fs::exists(places.archive / handOverName(kBusLogName, "1")));
  }
  std::error_code ignored;
  fs::remove_all(places.archive, ignored);
  for (const TripLogPlace& log : filename) fs::remove(places.root / log.dir / log.name, ignored);
  return 0;
}
