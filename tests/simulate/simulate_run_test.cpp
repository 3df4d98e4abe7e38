// scripts/simulate's program run whole on a short window: every planned
// tap answered, the audit reconciled, report.json agreeing with the
// statement and the card files as this test reads them itself, and its
// apportionment with the world tool's journeys on the same world. Once
// quietly, once with programs killed on purpose; then stopped from outside,
// and on a window in which no journey begins.
#include <gtest/gtest.h>
#include <signal.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/program.h"
#include "support/world.h"

namespace fs = std::filesystem;

namespace {

using nlohmann::json;

// report.json of a day written to `dir`, parsed.
json readReport(const fs::path& dir) {
  return json::parse(readFile(dir / "report.json"));
}

// {"BUS": …, "METRO": …} as a pair.
std::pair<long long, long long> operators(const json& amounts) {
  return {amounts.at("BUS").get<long long>(), amounts.at("METRO").get<long long>()};
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream in(line);
  for (std::string f; std::getline(in, f, ',');) out.push_back(f);
  return out;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// What the cards paid per operator: every fall of a balance at a tap.
std::pair<long long, long long> paidByCards(const fs::path& world) {
  long long bus = 0, metro = 0;
  for (const auto& entry : fs::directory_iterator(world / "customer")) {
    long long balance = 0;
    bool first = true;
    for (const std::string& line : lines(readFile(entry.path()))) {
      const std::vector<std::string> f = fields(line);
      if (f.size() != 5) throw std::runtime_error("no record: " + line);
      const long long after = std::stoll(f[3]);
      if (!first && f[1] == "BUS") bus += balance - after;
      if (!first && f[1] == "METRO") metro += balance - after;
      balance = after;
      first = false;
    }
  }
  return {bus, metro};
}

struct StatementSums {
  std::pair<long long, long long> fees{0, 0};
  std::pair<long long, long long> shares{0, 0};
};

StatementSums statementSums(const fs::path& world) {
  StatementSums sums;
  const std::vector<std::string> all = lines(readFile(world / "statement.csv"));
  EXPECT_GE(all.size(), 3u);
  for (size_t i = 1; i < all.size(); ++i) {
    const std::vector<std::string> f = fields(all[i]);
    EXPECT_EQ(f.size(), 7u) << all[i];
    if (f.size() != 7) continue;
    sums.fees.first += std::stoll(f[3]);
    sums.fees.second += std::stoll(f[4]);
    sums.shares.first += std::stoll(f[5]);
    sums.shares.second += std::stoll(f[6]);
  }
  return sums;
}

// The journeys' table of `apportionment` in report.json, {BUS, METRO} per
// rule name (none for a rule the day cannot give), and the same as the
// world tool prints it for `dir`: the figures in the line that begins with
// the rule's name.
std::map<std::string, std::pair<long long, long long>> reportRules(const json& report) {
  std::map<std::string, std::pair<long long, long long>> rules;
  for (const auto& [rule, split] : report.at("apportionment").at("rules").items()) {
    if (!split.is_null()) rules[rule] = operators(split);
  }
  return rules;
}

std::map<std::string, std::pair<long long, long long>> toolRules(const std::string& output) {
  std::map<std::string, std::pair<long long, long long>> rules;
  for (const std::string& line : lines(output)) {
    std::stringstream words(line);
    std::string rule, bus, metro;
    words >> rule >> bus >> metro;
    std::erase(bus, ',');
    std::erase(metro, ',');
    if (rule.find('_') == std::string::npos || bus.empty() || !std::isdigit(bus.back())) continue;
    rules[rule] = {std::stoll(bus), std::stoll(metro)};
  }
  return rules;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr const char* kRiders = "150";
#else
constexpr const char* kRiders = "300";
#endif

// Runs a short hour into a fresh world below `world` and checks it whole;
// report.json, parsed.
json playAndCheck(const World& world, std::vector<std::string> extra) {
  const fs::path dir = world.root() / "day";
  std::vector<std::string> args = {
      "--riders", kRiders,   "--from",     "07:30",    "--hours",
      "1",        "--world", dir.string(), "--report", (world.root() / "out").string()};
  args.insert(args.end(), extra.begin(), extra.end());
  Program simulate(programPath("simulate"), args, world.root().string());
  const std::optional<int> status = simulate.waitExit(170s);
  EXPECT_TRUE(simulate.waitOutputEnd(10s));
  EXPECT_EQ(status, 0) << simulate.output();
  EXPECT_NE(simulate.output().find("== reconciled"), std::string::npos) << simulate.output();

  const json report = readReport(world.root() / "out");
  EXPECT_GT(report.at("taps_planned").get<long long>(), 100);
  EXPECT_EQ(report.at("taps_answered"), report.at("taps_planned"));
  EXPECT_EQ(report.at("audit"), "reconciled") << report.dump(2);
  const auto paid = paidByCards(dir);
  const StatementSums statement = statementSums(dir);
  EXPECT_EQ(operators(report.at("fees_charged")), paid);
  EXPECT_EQ(statement.fees, paid);
  EXPECT_EQ(operators(report.at("settled")), statement.shares);
  // No tap is stamped before its planned time.
  const json& lag = report.at("tap_lag_minutes");
  EXPECT_GE(lag.at("p50").get<int>(), 0);
  EXPECT_LE(lag.at("p50").get<int>(), lag.at("max").get<int>());

  // taps.csv: one line per command answered, its fees what the cards paid.
  const std::vector<std::string> taps = lines(readFile(world.root() / "out" / "taps.csv"));
  EXPECT_EQ(taps.front(), "planned,stamp,terminal,card,command,printed,fee");
  EXPECT_EQ(static_cast<long long>(taps.size()) - 1,
            report.at("commands_answered").get<long long>());
  long long bus = 0, metro = 0;
  for (size_t i = 1; i < taps.size(); ++i) {
    const std::vector<std::string> f = fields(taps[i]);
    if (f.size() < 7 || f[6].empty()) continue;
    (f[2] == "bus" ? bus : metro) += std::stoll(f[6]);
  }
  EXPECT_EQ(std::make_pair(bus, metro), paid);

  const std::string html = readFile(world.root() / "out" / "report.html");
  size_t charts = 0;
  for (size_t at = html.find("<svg "); at != std::string::npos; at = html.find("<svg ", at + 1)) {
    ++charts;
  }
  EXPECT_EQ(charts, 7u);
  EXPECT_NE(html.find("statement.csv: BUS and METRO shares, cycles 1 to "), std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);

  // The journeys: every rule splits what the cards paid; as charged, each
  // mode gets its own fees; the world tool reads the same journeys off the
  // cards, and gives every rule but the one that needs the stations.
  const auto rules = reportRules(report);
  EXPECT_EQ(rules.size(), 5u) << report.dump(2);
  if (rules.size() != 5) return report;
  for (const auto& [rule, split] : rules) {
    EXPECT_EQ(split.first + split.second, paid.first + paid.second) << rule;
  }
  EXPECT_EQ(rules.at("as_charged"), paid);
  EXPECT_EQ(rules.at("as_settled"), statement.shares);
  EXPECT_EQ(report.at("apportionment").at("as_planned"), true);
  Program journeys(programPath("world_tool"), {"journeys", dir.string()}, world.root().string());
  EXPECT_EQ(journeys.waitExit(60s), 0);
  EXPECT_TRUE(journeys.waitOutputEnd(10s));
  auto tool = toolRules(journeys.output());
  EXPECT_EQ(tool.count("standalone_fare"), 0u) << journeys.output();
  tool["standalone_fare"] = rules.at("standalone_fare");
  EXPECT_EQ(tool, rules) << journeys.output();
  const json& kinds = report.at("apportionment").at("journeys");
  for (const char* kind : {"metro_only", "bus_only", "bus_then_metro", "metro_then_bus"}) {
    EXPECT_NE(
        journeys.output().find(kind + (" " + std::to_string(kinds.at(kind).get<long long>()))),
        std::string::npos)
        << kind << "\n"
        << journeys.output();
  }
  return report;
}

TEST(SimulatedDay, AQuietHourIsAnsweredWholeAndReconciles) {
  World world;
  playAndCheck(world, {"--seed", "3"});
}

TEST(SimulatedDay, KilledProgramsLoseAndDoubleNothing) {
  World world;
  const json report = playAndCheck(world, {"--seed", "5", "--chaos", "1"});
  EXPECT_GE(report.at("kills").get<int>(), 5);
}

// Taps flow in the world below `dir` once its programs run and a trip log
// holds a record.
bool playing(const fs::path& dir) {
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (std::chrono::steady_clock::now() < deadline) {
    std::error_code error;
    if (processesIn(dir.string()).size() == 7 &&
        fs::file_size(dir / "Bus" / "busfile.txt", error) > 0) {
      return true;
    }
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

bool noProgramWithin(const fs::path& dir, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!processesIn(dir.string()).empty()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

TEST(SimulatedDay, StoppedFromOutsideItLeavesNoProgramAndAWorldThatAudits) {
  for (const int signal : {SIGTERM, SIGKILL}) {
    SCOPED_TRACE(signal == SIGTERM ? "SIGTERM" : "SIGKILL");
    World world;
    const fs::path dir = world.root() / "day";
    Program simulate(
        programPath("simulate"),
        {"--riders", "3000", "--from", "07:30", "--hours", "2", "--world", dir.string()},
        world.root().string());
    ASSERT_TRUE(simulate.waitFor("== world in", 60s)) << simulate.output();
    ASSERT_TRUE(playing(dir)) << simulate.output();
    // A second day on the same world is refused while the first plays it.
    Program second(programPath("simulate"), {"--riders", "5", "--world", dir.string()},
                   world.root().string());
    EXPECT_EQ(second.waitExit(30s), 2);
    EXPECT_NE(second.output().find("is being played by another simulate"), std::string::npos)
        << second.output();

    simulate.sendSignal(signal);
    EXPECT_EQ(simulate.waitExit(signal == SIGKILL ? 5s : 60s), 128 + signal);
    EXPECT_TRUE(noProgramWithin(dir, 1s));
    if (signal == SIGTERM) {
      EXPECT_TRUE(simulate.waitOutputEnd(10s));
      EXPECT_NE(simulate.output().find("== cut short by SIGTERM: "), std::string::npos)
          << simulate.output();
      EXPECT_EQ(readReport(dir / "report").at("cut_short"), "SIGTERM");
      EXPECT_TRUE(fs::exists(dir / "report" / "taps.csv"));
    }
    Program audit(programPath("audit"), {dir.string()}, world.root().string());
    EXPECT_EQ(audit.waitExit(60s), 0) << audit.output();
  }
}

TEST(SimulatedDay, AWindowWithoutJourneysWritesItsReportWithEmptyCharts) {
  World world;
  const fs::path dir = world.root() / "day";
  Program simulate(programPath("simulate"),
                   {"--riders", "20", "--from", "00:30", "--hours", "0.5", "--world", dir.string()},
                   world.root().string());
  EXPECT_EQ(simulate.waitExit(60s), 0) << simulate.output();
  EXPECT_TRUE(simulate.waitOutputEnd(10s));
  EXPECT_NE(simulate.output().find("taps: 0 planned"), std::string::npos) << simulate.output();
  EXPECT_EQ(readReport(dir / "report").at("taps_planned"), 0);
  EXPECT_EQ(readFile(dir / "report" / "taps.csv"),
            "planned,stamp,terminal,card,command,printed,fee\n");
  const std::string html = readFile(dir / "report" / "report.html");
  EXPECT_NE(html.find("Nothing to draw"), std::string::npos);
}

TEST(SimulatedDay, AWorldThatIsNotEmptyIsRefusedUntouched) {
  World world;
  world.put("Bus/keep.txt", "x");
  Program simulate(programPath("simulate"), {"--riders", "5", "--world", world.root().string()},
                   world.root().string());
  EXPECT_EQ(simulate.waitExit(30s), 2);
  EXPECT_FALSE(world.exists("customer/1000001.txt"));
  EXPECT_EQ(world.get("Bus/keep.txt"), "x");
}

}  // namespace
