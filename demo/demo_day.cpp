#include "demo/demo_day.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "audit/world_audit.h"
#include "common/base/problem.h"
#include "common/files/file_handle.h"
#include "common/files/world_files.h"
#include "common/formats/clock_file.h"
#include "common/formats/statement_table.h"
#include "common/process/child_process.h"
#include "common/process/console.h"
#include "common/process/event_calls.h"
#include "common/process/program_arguments.h"
#include "common/process/signals.h"
#include "demo/demo_script.h"
#include "demo/settlement_output.h"
#include "driving/card_reading.h"
#include "driving/clock_follower.h"
#include "driving/console_reader.h"
#include "settlement/settlement_constants.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr auto kPollSlice = 10ms;
constexpr auto kClockWait = 5s;
constexpr auto kStartWait = 10s;
constexpr auto kAnswerWait = 10s;
constexpr auto kResultWait = 10s;
constexpr auto kEndWait = 5s;
// Results after the last tap before it is surely settled: the cycle under
// way when it came may have collected the logs before it.
constexpr size_t kResultsAfterLastTap = 2;
constexpr size_t kShownOutput = 300;

volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int signal) {
  stopSignal = signal;
}

// One program of the demo, run as a child.
struct Console {
  std::string name;
  ChildProcess child;
  ConsoleReader reader;
  std::string output;  // everything it printed, both streams
  std::deque<std::string> answers;
  std::optional<int> status;  // once it has ended
  bool terminal = false;
};

std::string endedText(const Console& console) {
  return console.name + " ended with status " + std::to_string(console.status.value_or(0));
}

// What a program printed, for a line that says it failed.
std::string shownOutput(const Console& console) {
  const std::string head = console.output.substr(0, kShownOutput);
  return head.empty() ? "it printed nothing" : "it printed: " + joinedLines(head);
}

class Demo {
 public:
  Demo(const fs::path& world, const fs::path& programs)
      : world_(world), programs_(programs), clock_(world, 0, 0) {}
  ~Demo() { stopAll(); }

  int play();

 private:
  Result<void> start(Console& console, const std::string& program, const char* dir,
                     std::vector<std::string> args);
  Result<void> startSettlement();
  Result<void> startTerminals();
  Result<void> let(int ticks);
  Result<void> tap(const DemoTap& tap);
  Result<void> awaitResults(size_t before);
  Result<void> endPrograms();
  Result<void> showWorld(const SettlementResult& result);

  void pump(std::chrono::milliseconds timeout);
  bool take(Console& console, bool errors);
  template <typename Done>
  bool waitUntil(Done done, std::chrono::milliseconds limit);
  void stopAll();
  Console& terminal(std::string_view name);
  Console& settlement() { return consoles_.front(); }

  fs::path world_;
  fs::path programs_;
  ClockFollower clock_;
  int firstDay_ = 0;
  std::deque<Console> consoles_;  // the settlement first
};

Result<void> Demo::start(Console& console, const std::string& program, const char* dir,
                         std::vector<std::string> args) {
  Result<ChildProcess> started =
      ChildProcess::start((programs_ / program).string(), args, (world_ / dir).string());
  if (const Problem* problem = started.problem()) return *problem;
  console.child = std::move(*started);
  return {};
}

Console& Demo::terminal(std::string_view name) {
  for (Console& console : consoles_) {
    if (console.name == name) return console;
  }
  return consoles_.back();
}

// One read of a program's output or errors; whether more may come now.
bool Demo::take(Console& console, bool errors) {
  char buffer[1 << 14];
  const ChildProcess::Read got = console.child.read(
      errors ? ChildProcess::Stream::kErrors : ChildProcess::Stream::kOutput, buffer);
  if (got.bytes.empty()) return got.more;
  const std::string_view bytes = got.bytes;
  console.output += bytes;
  if (console.terminal && !errors) {
    std::vector<std::string> answers;
    console.reader.take(bytes, answers);
    console.answers.insert(console.answers.end(), answers.begin(), answers.end());
  }
  return true;
}

void Demo::pump(std::chrono::milliseconds timeout) {
  std::vector<pollfd> fds;
  std::vector<std::pair<Console*, bool>> owners;
  for (Console& console : consoles_) {
    for (const bool errors : {false, true}) {
      const int fd = errors ? console.child.errors() : console.child.output();
      if (fd < 0) continue;
      fds.push_back({fd, POLLIN, 0});
      owners.emplace_back(&console, errors);
    }
  }
  // One read a wake: what is left wakes the next poll at once.
  if (pollReady(fds, static_cast<int>(timeout.count())) > 0) {
    for (size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].revents != 0) take(*owners[i].first, owners[i].second);
    }
  }
  while (const std::optional<Reaped> reaped = reapOne()) {
    for (Console& console : consoles_) {
      if (console.child.pid() != reaped->pid) continue;
      // Everything it printed before it ended is read before its end is
      // known.
      while (take(console, false)) {
      }
      while (take(console, true)) {
      }
      console.child.reaped();
      console.status = reaped->status;
    }
  }
}

template <typename Done>
bool Demo::waitUntil(Done done, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    if (done()) return true;
    if (stopSignal != 0 || Clock::now() >= deadline) return false;
    pump(kPollSlice);
  }
}

void Demo::stopAll() {
  const auto allEnded = [&] {
    for (const Console& console : consoles_) {
      if (console.child.running()) return false;
    }
    return true;
  };
  for (Console& console : consoles_) {
    console.child.closeInput();
    console.child.signal(SIGTERM);
  }
  const std::sig_atomic_t asked = stopSignal;
  stopSignal = 0;  // the programs get their time to end all the same
  if (!waitUntil(allEnded, kEndWait)) {
    for (Console& console : consoles_) console.child.signal(SIGKILL);
    waitUntil(allEnded, kEndWait);
  }
  stopSignal = asked;
}

Result<void> Demo::startSettlement() {
  Console& console = consoles_.emplace_back();
  console.name = kDemoSettlement;
  if (Result<void> done = start(console, kDemoSettlement, kSettlementDir, {}); !done) return done;
  const fs::path clockFile = world_ / kTimeDir / kClockFileName;
  std::optional<TimeInfo> first;
  const auto ticked = [&] {
    const Result<std::string> text = readClockFile(clockFile.string());
    if (text) first = parseClockLine(*text);
    return first.has_value() || console.status.has_value();
  };
  if (!waitUntil(ticked, kClockWait) || !first) {
    return Problem(console.name + " wrote no clock" +
                   (console.status ? " (" + endedText(console) + ")" : "") + "; " +
                   shownOutput(console));
  }
  firstDay_ = first->day;
  clock_ = ClockFollower(world_, firstDay_, 0);
  consoleWrite("== " + console.name + " runs the clock from midnight today, " +
               std::to_string(kMinutesPerTick) + " minutes a second\n");
  return {};
}

Result<void> Demo::startTerminals() {
  std::string names;
  for (const DemoTerminal& planned : kDemoTerminals) {
    Console& console = consoles_.emplace_back();
    console.name = planned.name;
    console.terminal = true;
    std::vector<std::string> args;
    if (planned.station) args.emplace_back(planned.station);
    if (Result<void> done = start(console, planned.program, planned.dir, args); !done) return done;
    names += (names.empty() ? "" : ", ") + console.name;
  }
  for (Console& console : consoles_) {
    if (!console.terminal) continue;
    if (!waitUntil([&] { return console.reader.prompted() || console.status; }, kStartWait) ||
        !console.reader.prompted()) {
      return Problem(console.name + " did not start" +
                     (console.status ? " (" + endedText(console) + ")" : "") + "; " +
                     shownOutput(console));
    }
    if (!waitUntil([&] { return console.reader.sawClock() || console.status; }, kStartWait) ||
        !console.reader.sawClock()) {
      return Problem(console.name + " does not follow the clock; " + shownOutput(console));
    }
  }
  const Result<std::string> clockText =
      readClockFile((world_ / kTimeDir / kClockFileName).string());
  std::string held = clockText.value_or("");
  if (held.ends_with('\n')) held.pop_back();
  consoleWrite("== terminals up: " + names + ", showing the clock as " +
               terminal(kDemoTerminals.front().name).reader.firstClock() + "\n" +
               "   (the clock file now holds " + held +
               "; the terminals read its month, day,\n"
               "   hour and minute and always show and stamp the year 2014)\n");
  return {};
}

Result<void> Demo::let(int ticks) {
  if (ticks <= 0) return {};
  const int until = clock_.read() + ticks * kMinutesPerTick;
  const auto limit = std::chrono::milliseconds(ticks * kTickMs) + kClockWait;
  if (!waitUntil([&] { return clock_.read() >= until; }, limit)) {
    return Problem("the clock stopped at " + clockText(clock_.minutes()));
  }
  return {};
}

Result<void> Demo::tap(const DemoTap& tap) {
  if (Result<void> done = let(tap.ticksBefore); !done) return done;
  Console& console = terminal(tap.terminal);
  const std::string command = tap.command();
  const std::string card = cardPath(world_, tap.card).string();
  std::error_code error;
  const auto size = fs::file_size(card, error);
  const off_t before = error ? 0 : static_cast<off_t>(size);
  console.answers.clear();
  if (!writeAll(console.child.input(), command + "\n")) {
    return Problem(console.name + " did not take '" + command + "'");
  }
  if (!waitUntil([&] { return !console.answers.empty() || console.status; }, kAnswerWait) ||
      console.answers.empty()) {
    return Problem(console.name + " did not answer '" + command + "'" +
                   (console.status ? " (" + endedText(console) + ")" : ""));
  }
  const std::string answer = console.answers.front();
  console.answers.pop_front();
  size_t used = 0;
  const std::vector<CardRecord> records = recordsIn(cardBytesFrom(card, before), used);
  std::optional<int> stamped;
  if (!records.empty()) stamped = recordMinutes(records.back().time, firstDay_);
  consoleWrite(tapLine(clockText(stamped.value_or(clock_.read())), console.name, command,
                       joinedLines(answer)));
  return {};
}

Result<void> Demo::awaitResults(size_t before) {
  Console& console = settlement();
  const auto came = [&] {
    return settlementResults(console.output).size() >= before + kResultsAfterLastTap ||
           console.status.has_value();
  };
  if (!waitUntil(came, kResultWait) ||
      settlementResults(console.output).size() < before + kResultsAfterLastTap) {
    return Problem("no settlement result came after the last tap" +
                   (console.status ? " (" + endedText(console) + ")" : ""));
  }
  return {};
}

// Ends the terminals' input and stops the settlement; what went wrong.
Result<void> Demo::endPrograms() {
  for (Console& console : consoles_) {
    if (console.terminal) console.child.closeInput();
  }
  const auto terminalsEnded = [&] {
    for (const Console& console : consoles_) {
      if (console.terminal && console.child.running()) return false;
    }
    return true;
  };
  const bool ended = waitUntil(terminalsEnded, kEndWait);
  settlement().child.signal(SIGTERM);
  const bool stopped = waitUntil([&] { return !settlement().child.running(); }, kEndWait);
  if (!ended) return Problem("a terminal did not end at the end of its input");
  if (!stopped) return Problem(settlement().name + " did not stop on SIGTERM");
  for (const Console& console : consoles_) {
    if (console.terminal && console.status != 0) {
      return Problem("a terminal: " + endedText(console));
    }
  }
  return {};
}

// A file of the world, read whole; nullopt when it is missing.
Result<std::optional<std::string>> worldFile(const fs::path& path) {
  return readRegularFileIfPresent(path.string(), path.string());
}

Result<void> Demo::showWorld(const SettlementResult& result) {
  std::string shown = "== trip logs\n";
  for (const TripLogPlace& log : collectedTripLogs()) {
    const Result<std::optional<std::string>> text = worldFile(world_ / log.dir / log.name);
    if (const Problem* problem = text.problem()) return *problem;
    if (*text) shown += indented(**text, "   " + log.name + ": ");
  }
  const WorldAudit audit = auditWorld(world_);
  const long long settled = result.bus + result.metro;
  shown += "== settlement result after the last tap\n" + result.text + "== BUS " +
           std::to_string(result.bus) + " + METRO " + std::to_string(result.metro) + " = " +
           std::to_string(settled) +
           "; fees in the trip logs: " + std::to_string(audit.logged.total()) + "\n";
  consoleWrite(shown);
  if (settled != audit.logged.total()) return Problem("the totals do not add up to the fees");
  consoleWrite("== the audit: what the cards paid against what the trip logs carry\n" +
               indented(auditReport(audit), "   "));
  if (!audit.reconciled()) return Problem("the audit found a difference");
  const Result<std::optional<std::string>> text = worldFile(world_ / kStatementName);
  if (const Problem* problem = text.problem()) return *problem;
  if (!*text) return Problem("the settlement wrote no statement");
  const std::optional<StatementCycles> statement = readStatementCycles(**text);
  if (!statement) return Problem("the statement does not begin with its header");
  if (statement->cycles.empty()) return Problem("the statement holds no cycle");
  consoleWrite(
      "== the statement: what each cycle settled, and what each operator is owed so far\n" +
      indented(statementTable(*statement, false), "   "));
  return {};
}

int Demo::play() {
  const auto failed = [](const Problem& problem) {
    errorWrite(std::string(invokedName()) + ": " +
               (stopSignal != 0 ? std::string("stopped by a signal") : problem.text()) + "\n");
    return kExitRefused;
  };
  if (const Result<void> done = startSettlement(); !done) return failed(*done.problem());
  if (const Result<void> done = startTerminals(); !done) return failed(*done.problem());
  for (const DemoScene& scene : demoScenes()) {
    consoleWrite("== " + std::string(scene.heading) + "\n");
    for (const DemoTap& step : scene.taps) {
      if (const Result<void> done = tap(step); !done) return failed(*done.problem());
    }
  }
  if (const Result<void> done = awaitResults(settlementResults(settlement().output).size());
      !done) {
    return failed(*done.problem());
  }
  const Result<void> ending = endPrograms();
  const std::vector<SettlementResult> results = settlementResults(settlement().output);
  if (const Result<void> done = showWorld(results.back()); !done) return failed(*done.problem());
  if (!ending) return failed(*ending.problem());
  consoleWrite("== done: terminals closed at the end of their input, settlement stopped\n");
  return kExitDone;
}

}  // namespace

void catchStopSignals() {
  catchSignals({SIGINT, SIGTERM, SIGHUP}, onStopSignal);
}

int playDemo(const fs::path& world, const fs::path& programs) {
  Demo demo(world, programs);
  return demo.play();
}
