// One card lookup (open, read the last two records from the end, parse,
// close) on a card file of 10 records and on one of 100,000 records. The
// lookup reads only the end of the file, so both should cost about the same.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "terminal/card_lookup.h"

namespace {

constexpr const char* kDefaultRecord = "000000000000,METRO,OUT,0,00";

// A card file of `records` records in a temporary directory.
class CardHistory {
 public:
  explicit CardHistory(int records) {
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    dir_ = pattern;
    std::ofstream out(path(), std::ios::binary);
    for (int i = 0; i < records; ++i) {
      out << "201412050907," << (i % 2 == 0 ? "METRO,IN," : "BUS,OUT,") << 100000000 - i << ','
          << (i % 5) << i << '\n';
    }
  }
  ~CardHistory() { std::filesystem::remove_all(dir_); }
  std::string path() const { return (dir_ / "card.txt").string(); }

 private:
  std::filesystem::path dir_;
};

void BM_CardLookup(benchmark::State& state) {
  const CardHistory card(static_cast<int>(state.range(0)));
  const std::string path = card.path();
  for (auto _ : state) {
    CardLookup lookup = lookUpCard(path, kDefaultRecord);
    if (lookup.status != LookupStatus::Found) state.SkipWithError("lookup failed");
    benchmark::DoNotOptimize(lookup);
  }
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

}  // namespace

BENCHMARK(BM_CardLookup)->Arg(10)->Arg(100000);

BENCHMARK_MAIN();
