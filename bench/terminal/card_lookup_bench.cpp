// One card lookup (open, read the last two records from the end, parse,
// close) on a card file of 10 records and on one of 100,000 records, which
// should cost about the same, since the lookup reads only the end of the
// file; and on a card of 10 records topped up 100, 1,000 and 100,000 times
// since, whose top-ups the lookup reads through.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "terminal/card_lookup.h"

namespace {

constexpr const char* kDefaultRecord = "000000000000,METRO,OUT,0,00";

// A card file of `records` records and `topUps` top-ups after them, in a
// temporary directory.
class CardHistory {
 public:
  CardHistory(int records, int topUps) {
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    std::ofstream out(path(), std::ios::binary);
    for (int i = 0; i < records; ++i) {
      out << "201412050907," << (i % 2 == 0 ? "METRO,IN," : "BUS,OUT,") << 100000000 - i << ','
          << (i % 5) << i << '\n';
    }
    for (int i = 1; i <= topUps; ++i) {
      out << "201412050930,TOPUP,IN," << 100000000 - records + i << ",4" << records - 1 << '\n';
    }
  }
  ~CardHistory() { std::filesystem::remove_all(dir_); }
  std::string path() const { return (dir_ / "card.txt").string(); }

 private:
  std::filesystem::path dir_;
};

void lookUp(benchmark::State& state, int records, int topUps) {
  const CardHistory card(records, topUps);
  const std::string path = card.path();
  for (auto _ : state) {
    CardLookup lookup = lookUpCard(path, kDefaultRecord);
    if (lookup.status != LookupStatus::Found) {
      state.SkipWithError("lookup failed");
      break;
    }
    benchmark::DoNotOptimize(lookup);
  }
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

void BM_CardLookup(benchmark::State& state) {
  lookUp(state, static_cast<int>(state.range(0)), 0);
}

void BM_CardLookupThroughTopUps(benchmark::State& state) {
  lookUp(state, 10, static_cast<int>(state.range(0)));
}

}  // namespace

BENCHMARK(BM_CardLookup)->Arg(10)->Arg(100000);
BENCHMARK(BM_CardLookupThroughTopUps)->Arg(100)->Arg(1000)->Arg(100000);

BENCHMARK_MAIN();
