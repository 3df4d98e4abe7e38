#include "realistic_world.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kBusTerminal = 6;
constexpr int kLogs = 6;  // the bus, then metro stations 0 to 4
constexpr double kTransferShare = 0.3;
constexpr long long kRecordsPerTick = 1000;
constexpr int kTicksPerDay = 180;

struct Tap {
  int log = 0;  // 0 the bus, 1 + station for the metro
  int tick = 0;
  long long journey = 0;  // in order of the journeys' starts
  int leg = 0;
  bool entry = true;
  int fee = 0;
};

// The time text of every tick, as the settlement's clock shows it from
// midnight of the 5th of December 2014: 201412050008, ...
std::vector<std::string> tickTexts(int ticks) {
  std::vector<std::string> texts;
  int day = 5, hour = 0, minute = 0;
  for (int i = 0; i < ticks; ++i) {
    minute += 8;
    if (minute > 59) {
      minute %= 60;
      ++hour;
    } else if (hour > 23) {
      hour %= 24;
      ++day;
    }
    char text[32];
    snprintf(text, sizeof text, "201412%02d%02d%02d", day, hour, minute);
    texts.push_back(text);
  }
  return texts;
}

std::string logPath(const fs::path& root, int log) {
  if (log == 0) return (root / "Bus" / "busfile.txt").string();
  return (root / "Metro" / ("Metrofile" + std::to_string(log - 1) + ".txt")).string();
}

}  // namespace

void writeRealisticWorld(const fs::path& root, const WorldShape& shape) {
  for (const char* dir : {"time", "customer", "Bus", "Metro", "Settlement"}) {
    fs::create_directories(root / dir);
  }
  for (const char* dir : {"Bus", "Metro"}) {
    for (const auto& entry : fs::directory_iterator(root / dir)) fs::remove(entry.path());
  }
  fs::remove_all(root / "Settlement" / "archive");
  fs::remove(root / "statement.csv");
  fs::remove(root / "settlement.state");

  const int ticks =
      static_cast<int>(std::max<long long>(kTicksPerDay, shape.records / kRecordsPerTick) + 16);
  std::mt19937_64 random(shape.seed);
  const auto uniform = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  std::vector<Tap> taps;
  taps.reserve(static_cast<size_t>(shape.records) + 4);
  std::vector<int> starts;  // by journey
  while (static_cast<long long>(taps.size()) < shape.records) {
    const long long journey = static_cast<long long>(starts.size());
    int log = uniform(0, kLogs - 1);
    int tick = uniform(0, ticks - 16);
    starts.push_back(tick);
    const int legs = std::bernoulli_distribution(kTransferShare)(random) ? 2 : 1;
    for (int leg = 0; leg < legs; ++leg) {
      const bool bus = log == 0;
      const int exitLog = bus ? 0 : uniform(1, kLogs - 1);
      const int ride = bus ? uniform(0, 3) : uniform(1, 6);
      const int entryFee = leg == 0 ? (bus ? 1050 : 1250) : (bus ? 0 : 200);
      const int exitFee = bus ? 0 : 100 * uniform(0, 3);
      taps.push_back({log, tick, journey, 2 * leg, true, entryFee});
      taps.push_back({exitLog, tick + ride, journey, 2 * leg + 1, false, exitFee});
      // The transfer: on the other mode, at most two ticks after the exit.
      log = bus ? uniform(1, kLogs - 1) : 0;
      tick += ride + uniform(0, 2);
    }
  }
  taps.resize(static_cast<size_t>(shape.records));

  // Journey ids: the starting terminal and its count of journeys begun,
  // counted in the order the journeys began.
  std::vector<const Tap*> firstTaps;
  for (const Tap& tap : taps) {
    if (tap.leg == 0) firstTaps.push_back(&tap);
  }
  std::stable_sort(firstTaps.begin(), firstTaps.end(),
                   [](const Tap* a, const Tap* b) { return a->tick < b->tick; });
  std::vector<std::string> ids(starts.size());
  std::vector<long long> begun(kLogs, 0);
  for (const Tap* tap : firstTaps) {
    const int terminal = tap->log == 0 ? kBusTerminal : tap->log - 1;
    ids[static_cast<size_t>(tap->journey)] =
        std::to_string(terminal) + std::to_string(++begun[static_cast<size_t>(tap->log)]);
  }
  // Each log in time order; within a tick, in the order the journeys began,
  // so the two taps of a short bus ride stand together.
  std::stable_sort(taps.begin(), taps.end(), [](const Tap& a, const Tap& b) {
    if (a.tick != b.tick) return a.tick < b.tick;
    return a.journey < b.journey;
  });
  const std::vector<std::string> texts = tickTexts(ticks);
  std::vector<std::vector<std::string>> lines(kLogs);
  for (const Tap& tap : taps) {
    const bool bus = tap.log == 0;
    lines[static_cast<size_t>(tap.log)].push_back(
        texts[static_cast<size_t>(tap.tick)] + (bus ? ",BUS," : ",METRO,") +
        (tap.entry ? "IN," : "OUT,") + std::to_string(tap.fee) + "," +
        ids[static_cast<size_t>(tap.journey)] + "\n");
  }
  for (int log = 0; log < kLogs; ++log) {
    const std::vector<std::string>& all = lines[static_cast<size_t>(log)];
    const size_t files = static_cast<size_t>(shape.handOversPerLog) + 1;
    size_t at = 0;
    for (size_t file = 1; file <= files; ++file) {
      const size_t end = all.size() * file / files;
      const std::string path =
          file == files ? logPath(root, log) : logPath(root, log) + "." + std::to_string(file);
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      for (; at < end; ++at) out << all[at];
    }
  }
}
