// Time of one settlement cycle without its sleep (settlementCycle: collect,
// distribute, commit the statement line, print, archive) over trip logs
// written to a temporary world; after the first cycle no record is fresh. The records are spread
// over the six logs, each log in time order, so the collector interleaves them in time; several
// records share every time key, and one pair of consecutive records in three
// shares a journey id, so runs form and journeys are apportioned.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "common/text.h"
#include "settlement/exact_display/clock_tick.h"
#include "settlement/settlement_constants.h"
#include "settlement/settlement_cycle.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRecordsPerTick = 8;  // records of one log that share a time key

std::string logLine(const SimulatedTime& t, bool bus, int serial, int terminal) {
  // Two consecutive records of a log in three share a journey id: a run.
  const int pair = serial / 2;
  const std::string journeyId = pair % 3 == 0
                                    ? std::to_string(terminal) + "0" + std::to_string(pair)
                                    : std::to_string(terminal) + std::to_string(serial);
  return timeText(t.year, t.month, t.day, t.hour, t.minute) + (bus ? ",BUS," : ",METRO,") +
         (serial % 2 ? "OUT," : "IN,") + std::to_string((serial % 3) * 600) + "," + journeyId +
         "\n";
}

// A world of `records` records: root/{Bus,Metro}.
class LogWorld {
 public:
  explicit LogWorld(int records) {
    std::string pattern = (fs::temp_directory_path() / "settlement-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
    for (const char* dir : {"Bus", "Metro", "Settlement"}) fs::create_directory(root_ / dir);
    for (size_t log = 0; log < filename.size(); ++log) {
      const int count = records / 6 + (log < static_cast<size_t>(records % 6) ? 1 : 0);
      std::string content;
      SimulatedTime t{2014, 12, 5, 0, 0};
      for (int serial = 0; serial < count; ++serial) {
        if (serial % kRecordsPerTick == 0) t = nextTick(t);
        const int terminal = log == 0 ? 6 : static_cast<int>(log) - 1;
        content += logLine(t, log == 0, serial, terminal);
      }
      std::ofstream(root_ / filename[log].dir / filename[log].name, std::ios::binary) << content;
    }
  }
  ~LogWorld() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  SettlementPlaces places() const { return {root_, root_ / "Settlement" / "archive"}; }

 private:
  fs::path root_;
};

void BM_SettlementCycle(benchmark::State& state) {
  const int records = static_cast<int>(state.range(0));
  const LogWorld world(records);
  if (openSettlement(world.places())) std::abort();
  for (auto _ : state) settlementCycle(world.places());
  state.counters["records"] = records;
  state.SetItemsProcessed(state.iterations() * records);
}

}  // namespace

BENCHMARK(BM_SettlementCycle)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
