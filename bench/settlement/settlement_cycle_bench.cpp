// One settlement cycle in process, without its sleep (SettlementCycle::cycle:
// collect, distribute, commit the statement line, print, archive), over a
// world of realistic trip logs (realistic_world.h) at 100,000, 1,000,000
// and 5,000,000 records. The first iteration settles every record; every
// later one finds nothing new, as a quiet world's cycles do, so the figures
// are those of warm cycles. The first cycle of the program itself, start-up
// included, is timed by settlement_first_cycle against the floor.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "realistic_world.h"
#include "settlement/settlement_cycle.h"

namespace fs = std::filesystem;

namespace {

// A temporary world of `records` records, removed with it.
class TemporaryWorld {
 public:
  explicit TemporaryWorld(long long records) {
    std::string pattern = (fs::temp_directory_path() / "settlement-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
    writeRealisticWorld(root_, {records, 0, 19});
  }
  ~TemporaryWorld() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  SettlementPlaces places() const { return {root_, root_ / "Settlement" / "archive"}; }

 private:
  fs::path root_;
};

void BM_SettlementCycle(benchmark::State& state) {
  const TemporaryWorld world(state.range(0));
  SettlementClock clock;
  SettlementCycle cycle(world.places(), clock);
  if (!cycle.resume()) std::abort();
  // The blocks go nowhere while the cycles run.
  fflush(stdout);
  const int console = dup(STDOUT_FILENO);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, STDOUT_FILENO);
  for (auto _ : state) cycle.cycle();
  fflush(stdout);
  dup2(console, STDOUT_FILENO);
  close(console);
  close(null);
  state.counters["records"] = static_cast<double>(state.range(0));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_SettlementCycle)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Arg(5'000'000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
