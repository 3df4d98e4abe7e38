// Arbitrary bytes as the trip logs of one settlement cycle, run by
// settlementCycle over a temporary world: the input is split at each 0xFF
// byte into the six live logs and a seventh part, a hand-over file of the
// bus log. The cycle reads them in blocks, collects their complete lines
// into the trip list, which stays in time order, apportions the journeys
// and counts the other fees: BUS + METRO is exactly the sum of the fees of
// the records a whole-content reading of the same logs gives (totals wrap
// at 64 bits, so the sum is taken the same way), and the hand-over file
// ends up in the archive.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "common/world_layout.h"
#include "settlement/exact_reader/log_lines.h"
#include "settlement/list/list.h"
#include "settlement/list/trip_line.h"
#include "settlement/settlement.h"
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
    createTripList();
    return SettlementPlaces{root, root / "Settlement" / "archive"};
  }();
  return places;
}

void write(const fs::path& path, std::string_view content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(content.data(), content.size());
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
  for (size_t part = 0; part < parts.size(); ++part) {
    const bool handOver = part == filename.size();
    const TripLogPlace& log = filename[handOver ? 0 : part];
    const std::string name = handOver ? handOverName(log.name, 1) : log.name;
    write(places.root / log.dir / name, parts[part]);
    for (const std::string_view line : completeLogLines(parts[part])) {
      if (const auto node = parseTripLine(line)) {
        fees += static_cast<uint64_t>(static_cast<int64_t>(node->fee));
      }
    }
  }
  settlementCycle(places);
  const uint64_t settled =
      static_cast<uint64_t>(result[kBusOperator]) + static_cast<uint64_t>(result[kMetroOperator]);
  check(settled == fees);
  check(tripList().empty());
  if (parts.size() > filename.size()) {
    check(!fs::exists(places.root / kBusDir / handOverName(kBusLogName, 1)));
    check(fs::exists(places.archive / handOverName(kBusLogName, 1)));
  }
  std::error_code ignored;
  fs::remove_all(places.archive, ignored);
  for (const TripLogPlace& log : filename) fs::remove(places.root / log.dir / log.name, ignored);
  return 0;
}
