#include "simulate/driver.h"

#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <string_view>

#include "card/card_commands.h"
#include "card/card_file.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/record_format.h"
#include "common/process/console.h"
#include "driving/card_reading.h"
#include "driving/child_process.h"
#include "driving/clock_follower.h"
#include "driving/console_reader.h"
#include "simulate/chaos.h"
#include "simulate/progress_line.h"
#include "simulate/statement_reading.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// The programs: the terminals by their plan number, then the settlement.
constexpr int kSettlement = kTerminalCount;
constexpr int kPrograms = kTerminalCount + 1;

// How often the clock file is read: a tap is sent within this of its time.
constexpr auto kClockPoll = 5ms;
// A rider tops up at most this often for one tap, then takes the refusal.
constexpr int kMostTopUps = 3;
// A "Time read error!" is met by the same tap this much later.
constexpr auto kClockErrorRetry = 200ms;
// A program that dies this often before its first prompt is given up.
constexpr int kMostFailedStarts = 5;
// Nothing answered for this long while taps wait: the run is given up.
constexpr auto kStallLimit = 60s;
constexpr auto kEndWait = 30s;
constexpr size_t kTailBytes = 2048;
constexpr size_t kReadChunk = 1 << 16;

constexpr const char* kKilledText = "(killed before it answered; the card holds the tap)";

enum Stream : uint64_t { kOutput = 0, kErrors = 1, kInput = 2 };
constexpr uint64_t kSignalTag = ~uint64_t{0};

uint64_t tagOf(int program, Stream stream) {
  return static_cast<uint64_t>(program) << 2 | stream;
}

// A command sent and not yet answered.
struct Sent {
  int rider = 0;
  bool mistyped = false;
  off_t cardSize = 0;  // the card's length when it was sent
};

struct RiderState {
  size_t next = 0;  // the planned tap in hand or next
  int balance = 0;
  off_t cardSize = 0;
  bool typoPending = false;
  int topUps = 0;
  // The journey of the card's last tap, for the transfers as charged.
  std::string lastJourney;
  int lastOperator = -1;
  bool journeyCounted = false;
};

struct Program {
  std::string name;
  std::string directory;
  std::string path;
  std::vector<std::string> args;
  ChildProcess child;
  ConsoleReader reader;
  std::string input;  // typed and not yet taken by the pipe
  bool waitingToWrite = false;
  std::deque<Sent> sent;
  std::deque<int> waiting;    // riders whose tap is due here
  std::vector<Sent> toCheck;  // unanswered when the terminal was killed
  bool killed = false;
  bool finishing = false;
  bool exited = false;
  int exitStatus = 0;
  int failedStarts = 0;
  std::string errorTail;

  bool isTerminal() const { return !args.empty() || name == "bus"; }
  bool up() const { return child.running() && !killed && reader.prompted() && reader.sawClock(); }
};

void keepTail(std::string& tail, std::string_view more) {
  tail += more;
  if (tail.size() > kTailBytes) tail.erase(0, tail.size() - kTailBytes);
}

Rusage usageOf(int who) {
  rusage usage{};
  getrusage(who, &usage);
  Rusage r;
  r.userSeconds = static_cast<double>(usage.ru_utime.tv_sec) + usage.ru_utime.tv_usec / 1e6;
  r.systemSeconds = static_cast<double>(usage.ru_stime.tv_sec) + usage.ru_stime.tv_usec / 1e6;
  r.peakKib = usage.ru_maxrss;
  return r;
}

double secondsBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

class Driver {
 public:
  Driver(const DriverSetup& setup, const std::vector<RiderPlan>& plans, TapsCsv& taps,
         DayReport& report)
      : setup_(setup),
        plans_(plans),
        taps_(taps),
        report_(report),
        clock_(setup.world, setup.firstDay, setup.fromMinute) {
    if (setup.chaosSeconds) chaos_.emplace(*setup.chaosSeconds, setup.seed);
  }

  void play();

 private:
  // Setting up and taking down.
  bool prepare();
  void describePrograms();
  bool start(int p);
  void watch(int fd, uint64_t tag, uint32_t events);
  void finish();

  // The loop.
  void pump(std::chrono::milliseconds timeout);
  bool onReadable(int p, Stream stream);
  void onChildEnded(int p, int status);
  void reapChildren();
  void drainOutput(int p);
  void afterFirstPrompt(int p);
  void followClock();
  void dispatch();
  void send(int p, int rider);
  void flush(int p);
  void makeChaos();
  void checkStall();
  void showProgress(bool force);

  // Taps.
  void schedule(int rider);
  void answered(int p, const Sent& sent, std::string_view printed, bool killed);
  void charged(int rider, const CardRecord& record, const PlannedTap& tap,
               std::string_view terminal, std::string_view command, std::string_view printed);
  void finishTap(int rider);
  void requeue(int rider) { programs_[currentTap(rider).terminal].waiting.push_back(rider); }
  const PlannedTap& currentTap(int rider) const {
    return plans_[static_cast<size_t>(rider)].taps[riders_[static_cast<size_t>(rider)].next];
  }
  std::string cardFile(int rider) const {
    return cardPath(setup_.world, riderCard(rider)).string();
  }
  int hourSlot(int minutes);
  void fail(const std::string& why);
  bool allUp() const;
  bool allAnswered() const { return report_.tapsAnswered == report_.tapsPlanned; }

  const DriverSetup& setup_;
  const std::vector<RiderPlan>& plans_;
  TapsCsv& taps_;
  DayReport& report_;
  ClockFollower clock_;
  std::optional<Chaos> chaos_;
  ProgressLine progress_;

  std::vector<RiderState> riders_;
  std::vector<Program> programs_;
  int epoll_ = -1;
  int signals_ = -1;
  bool failed_ = false;

  // Riders by the minute of their next tap, from bucketBase_ on; the
  // minutes up to released_ have been handed to their terminals.
  std::vector<std::vector<int>> buckets_;
  int bucketBase_ = 0;
  int released_ = 0;
  std::vector<std::pair<Clock::time_point, int>> retries_;

  Clock::time_point started_;
  Clock::time_point lastClockRead_;
  Clock::time_point lastAnswer_;
  std::optional<Clock::time_point> firstSent_;
  Clock::time_point nextKill_;
  long long answersThisSecond_ = 0;
  Clock::time_point secondStarted_;
  std::vector<int> lags_;
  std::vector<int> morningLags_;
  long long refusedCount_ = 0;
  // taps per second over the last few seconds, for the progress line
  std::deque<std::pair<Clock::time_point, long long>> recent_;
};

void Driver::fail(const std::string& why) {
  if (!failed_) report_.differences.push_back(why);
  failed_ = true;
}

int Driver::hourSlot(int minutes) {
  const int hour = std::max(0, minutes) / 60;
  if (report_.tapsPerHour.size() <= static_cast<size_t>(hour)) {
    report_.tapsPerHour.resize(static_cast<size_t>(hour) + 1, {});
    report_.feesPerHour.resize(static_cast<size_t>(hour) + 1, {0, 0});
  }
  return hour;
}

void Driver::describePrograms() {
  programs_.resize(kPrograms);
  for (int t = 0; t < kTerminalCount; ++t) {
    Program& program = programs_[static_cast<size_t>(t)];
    program.name = terminalName(t);
    if (t == kBusTerminal) {
      program.directory = kBusDir;
      program.path = (setup_.programs / "bus_terminal").string();
    } else {
      program.directory = kMetroDir;
      program.path = (setup_.programs / "metro_terminal").string();
      program.args = {std::to_string(t)};
    }
  }
  Program& settlement = programs_[kSettlement];
  settlement.name = "settlement";
  settlement.directory = "Settlement";
  settlement.path = (setup_.programs / "settlement_fast").string();
}

void Driver::watch(int fd, uint64_t tag, uint32_t events) {
  epoll_event event{};
  event.events = events;
  event.data.u64 = tag;
  if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0 && errno == EEXIST) {
    epoll_ctl(epoll_, EPOLL_CTL_MOD, fd, &event);
  }
}

bool Driver::start(int p) {
  Program& program = programs_[static_cast<size_t>(p)];
  Result<ChildProcess> started =
      ChildProcess::start(program.path, program.args, (setup_.world / program.directory).string());
  if (const Problem* problem = started.problem()) {
    fail(program.name + " could not be started: " + problem->text());
    return false;
  }
  program.child = std::move(*started);
  program.reader = ConsoleReader();
  program.input.clear();
  program.waitingToWrite = false;
  program.killed = false;
  watch(program.child.output(), tagOf(p, kOutput), EPOLLIN);
  watch(program.child.errors(), tagOf(p, kErrors), EPOLLIN);
  return true;
}

bool Driver::prepare() {
  // SIGCHLD comes through a descriptor the loop waits on.
  sigset_t childSignal;
  sigemptyset(&childSignal);
  sigaddset(&childSignal, SIGCHLD);
  sigprocmask(SIG_BLOCK, &childSignal, nullptr);
  signals_ = signalfd(-1, &childSignal, SFD_NONBLOCK | SFD_CLOEXEC);
  epoll_ = epoll_create1(EPOLL_CLOEXEC);
  if (signals_ < 0 || epoll_ < 0) {
    fail(std::string("the driver cannot wait for its programs: ") + strerror(errno));
    return false;
  }
  watch(signals_, kSignalTag, EPOLLIN);

  describePrograms();
  riders_.resize(plans_.size());
  int last = setup_.fromMinute;
  for (size_t r = 0; r < plans_.size(); ++r) {
    RiderState& rider = riders_[r];
    rider.balance = plans_[r].balance;
    std::error_code error;
    rider.cardSize = static_cast<off_t>(
        fs::file_size(cardPath(setup_.world, riderCard(static_cast<int>(r))), error));
    report_.tapsPlanned += static_cast<long long>(plans_[r].taps.size());
    for (const PlannedTap& tap : plans_[r].taps) last = std::max(last, tap.minute);
  }
  bucketBase_ = setup_.fromMinute;
  released_ = setup_.fromMinute - 1;
  buckets_.resize(static_cast<size_t>(last - bucketBase_ + 1));
  for (size_t r = 0; r < plans_.size(); ++r) schedule(static_cast<int>(r));
  // The settlement first: its clock goes on from the clock file laid for
  // the start, and the terminals read it.
  for (int p = kSettlement; p >= 0; --p) {
    if (!start(p)) return false;
  }
  return true;
}

void Driver::schedule(int rider) {
  RiderState& state = riders_[static_cast<size_t>(rider)];
  const RiderPlan& plan = plans_[static_cast<size_t>(rider)];
  if (state.next >= plan.taps.size()) return;
  const PlannedTap& tap = plan.taps[state.next];
  state.typoPending = tap.typo != Typo::kNone;
  state.topUps = 0;
  if (tap.minute <= released_) {
    requeue(rider);
    return;
  }
  buckets_[static_cast<size_t>(tap.minute - bucketBase_)].push_back(rider);
}

void Driver::followClock() {
  const auto now = Clock::now();
  if (now - lastClockRead_ < kClockPoll) return;
  lastClockRead_ = now;
  const int minutes = clock_.read();
  while (released_ < minutes) {
    ++released_;
    const int slot = released_ - bucketBase_;
    if (slot < 0 || static_cast<size_t>(slot) >= buckets_.size()) continue;
    for (const int rider : buckets_[static_cast<size_t>(slot)]) requeue(rider);
    std::vector<int>().swap(buckets_[static_cast<size_t>(slot)]);
  }
  for (auto retry = retries_.begin(); retry != retries_.end();) {
    if (retry->first <= now) {
      requeue(retry->second);
      retry = retries_.erase(retry);
    } else {
      ++retry;
    }
  }
}

void Driver::dispatch() {
  for (int p = 0; p < kTerminalCount; ++p) {
    Program& program = programs_[static_cast<size_t>(p)];
    if (!program.up() || program.finishing || program.waiting.empty()) continue;
    while (!program.waiting.empty()) {
      send(p, program.waiting.front());
      program.waiting.pop_front();
    }
    flush(p);
  }
}

void Driver::send(int p, int rider) {
  Program& program = programs_[static_cast<size_t>(p)];
  RiderState& state = riders_[static_cast<size_t>(rider)];
  const bool mistyped = state.typoPending;
  program.input += tapCommand(riderCard(rider), currentTap(rider), mistyped);
  program.input += '\n';
  program.sent.push_back({rider, mistyped, state.cardSize});
  if (!firstSent_) firstSent_ = Clock::now();
}

void Driver::flush(int p) {
  Program& program = programs_[static_cast<size_t>(p)];
  size_t written = 0;
  while (written < program.input.size()) {
    const ssize_t n = write(program.child.input(), program.input.data() + written,
                            program.input.size() - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // A dead console (EPIPE): what it was sent is checked once it runs again.
    program.input.clear();
    written = 0;
    break;
  }
  program.input.erase(0, written);
  const bool wants = !program.input.empty();
  if (wants != program.waitingToWrite && program.child.input() >= 0) {
    if (wants) {
      watch(program.child.input(), tagOf(p, kInput), EPOLLOUT);
    } else {
      epoll_ctl(epoll_, EPOLL_CTL_DEL, program.child.input(), nullptr);
    }
    program.waitingToWrite = wants;
  }
}

// Whether more may come.
bool Driver::onReadable(int p, Stream stream) {
  Program& program = programs_[static_cast<size_t>(p)];
  const int fd = stream == kOutput ? program.child.output() : program.child.errors();
  if (fd < 0) return false;
  char buffer[kReadChunk];
  // One read per wake: the other programs get their turn.
  const ssize_t n = read(fd, buffer, sizeof buffer);
  if (n < 0 && errno == EINTR) return true;
  if (n < 0 && errno == EAGAIN) return false;
  if (n <= 0) {
    // The program's end: its reaping follows.
    stream == kOutput ? program.child.closeOutput() : program.child.closeErrors();
    return false;
  }
  const std::string_view bytes(buffer, static_cast<size_t>(n));
  if (stream == kErrors || p == kSettlement) {
    if (stream == kErrors) keepTail(program.errorTail, bytes);
    return true;
  }
  const bool wasPrompted = program.reader.prompted();
  std::vector<std::string> answers;
  program.reader.take(bytes, answers);
  for (const std::string& answer : answers) {
    if (program.sent.empty()) continue;  // nothing asked: nothing to answer
    const Sent sent = program.sent.front();
    program.sent.pop_front();
    answered(p, sent, answer, false);
  }
  if (!wasPrompted && program.reader.prompted()) afterFirstPrompt(p);
  return true;
}

void Driver::drainOutput(int p) {
  while (onReadable(p, kOutput)) {
  }
  while (onReadable(p, kErrors)) {
  }
}

void Driver::afterFirstPrompt(int p) {
  Program& program = programs_[static_cast<size_t>(p)];
  program.failedStarts = 0;
  // The new terminal has completed or dropped the tap a kill left in hand.
  std::vector<Sent> resend;
  for (const Sent& sent : program.toCheck) {
    const std::string bytes = cardBytesFrom(cardFile(sent.rider), sent.cardSize);
    size_t used = 0;
    if (!recordsIn(bytes, used).empty()) {
      ++report_.answeredByCard;
      answered(p, sent, kKilledText, true);
    } else {
      ++report_.resentAfterKill;
      resend.push_back(sent);
    }
  }
  program.toCheck.clear();
  // Sent again first, in the order they were sent.
  for (auto sent = resend.rbegin(); sent != resend.rend(); ++sent) {
    program.waiting.push_front(sent->rider);
  }
}

void Driver::onChildEnded(int p, int status) {
  Program& program = programs_[static_cast<size_t>(p)];
  drainOutput(p);
  program.child.reaped();
  program.child = ChildProcess();
  program.input.clear();
  program.waitingToWrite = false;
  if (program.finishing) {
    program.exited = true;
    program.exitStatus = status;
    return;
  }
  if (!program.killed) {
    // It ended by itself.
    const std::string tail = program.errorTail.empty() ? "" : ": " + program.errorTail;
    errorWrite("simulate: " + program.name + " ended with status " + std::to_string(status) + tail +
               (tail.ends_with('\n') ? "" : "\n"));
  }
  // A kill is on purpose; a program that ends by itself again and again
  // (a terminal before its first prompt each time) is given up.
  if (!program.killed) ++program.failedStarts;
  if (program.failedStarts >= kMostFailedStarts) {
    fail(program.name + " would not run (status " + std::to_string(status) + ")" +
         (program.errorTail.empty() ? "" : ": " + program.errorTail));
    return;
  }
  program.toCheck.insert(program.toCheck.end(), program.sent.begin(), program.sent.end());
  program.sent.clear();
  program.errorTail.clear();
  start(p);
}

void Driver::reapChildren() {
  signalfd_siginfo info;
  while (read(signals_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
  }
  while (const std::optional<Reaped> reaped = reapOne()) {
    for (int p = 0; p < kPrograms; ++p) {
      if (programs_[static_cast<size_t>(p)].child.pid() == reaped->pid) {
        onChildEnded(p, reaped->status);
        break;
      }
    }
  }
}

void Driver::makeChaos() {
  if (!chaos_ || allAnswered() || failed_) return;
  const auto now = Clock::now();
  if (now < nextKill_) return;
  nextKill_ = now + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(chaos_->nextDelay()));
  std::vector<int> candidates;
  for (int p = 0; p < kPrograms; ++p) {
    const Program& program = programs_[static_cast<size_t>(p)];
    const bool serving = p == kSettlement ? program.child.running() : program.reader.prompted();
    if (program.child.running() && !program.killed && serving) candidates.push_back(p);
  }
  if (candidates.empty()) return;
  Program& victim = programs_[static_cast<size_t>(chaos_->pick(candidates))];
  victim.child.signal(SIGKILL);
  victim.killed = true;
  ++report_.kills;
  ++report_.killsOf[victim.name];
}

void Driver::answered(int p, const Sent& sent, std::string_view answer, bool killed) {
  const int rider = sent.rider;
  RiderState& state = riders_[static_cast<size_t>(rider)];
  const PlannedTap& tap = currentTap(rider);
  const std::string card = riderCard(rider);
  const std::string command = tapCommand(card, tap, sent.mistyped);
  const std::string printed = killed ? std::string(answer) : joinedLines(answer);
  const std::string name = programs_[static_cast<size_t>(p)].name;
  ++report_.commandsAnswered;
  ++answersThisSecond_;
  lastAnswer_ = Clock::now();

  const std::string bytes = cardBytesFrom(cardFile(rider), sent.cardSize);
  size_t used = 0;
  const std::vector<CardRecord> records = recordsIn(bytes, used);
  if (!records.empty()) {
    state.cardSize = sent.cardSize + static_cast<off_t>(used);
    for (const CardRecord& record : records) charged(rider, record, tap, name, command, printed);
    finishTap(rider);
    return;
  }
  const std::string key = printed.empty() ? "(nothing printed)" : printed;
  ++report_.refused[key];
  ++refusedCount_;
  taps_.add({tap.minute, std::nullopt, name, card, command, printed, std::nullopt});
  if (sent.mistyped) {
    ++report_.mistyped;
    state.typoPending = false;
    requeue(rider);
  } else if (answer.find("Lack!") != std::string_view::npos && state.topUps < kMostTopUps) {
    const auto topUp = topUpQuietly(setup_.world, card, kTopUpAmount);
    if (topUp) {
      ++state.topUps;
      ++report_.topUps;
      report_.topUpAmount += kTopUpAmount;
      state.cardSize += static_cast<off_t>(topUp->record.size());
      state.balance = topUp->after;
      requeue(rider);
    } else {
      fail("card " + card + " could not be topped up: " + topUp.problem()->text());
      state.topUps = kMostTopUps;
      requeue(rider);
    }
  } else if (answer.find("Time read error!") != std::string_view::npos) {
    ++report_.resentAfterClockError;
    retries_.emplace_back(Clock::now() + kClockErrorRetry, rider);
  } else {
    const int slot = hourSlot(clock_.minutes());
    ++report_.tapsPerHour[static_cast<size_t>(slot)][tap.terminal];
    finishTap(rider);
  }
}

void Driver::charged(int rider, const CardRecord& record, const PlannedTap& tap,
                     std::string_view terminal, std::string_view command,
                     std::string_view printed) {
  RiderState& state = riders_[static_cast<size_t>(rider)];
  const std::string card = riderCard(rider);
  const long long fee = static_cast<long long>(state.balance) - record.balance;
  state.balance = record.balance;
  const std::optional<Operator> op = exactOperatorOf(record.transport);
  const std::optional<int> stamp = recordMinutes(record.time, setup_.firstDay);
  if (!op || !stamp) {
    fail("card " + card + " holds a record no terminal writes: " + record.time + "," +
         record.transport);
    return;
  }
  ++report_.tapsCharged;
  report_.feesCharged[*op] += fee;
  const int lag = *stamp - tap.minute;
  lags_.push_back(lag);
  if (tap.minute >= kMorningPeakFrom && tap.minute < kMorningPeakTo) morningLags_.push_back(lag);
  const int slot = hourSlot(*stamp);
  ++report_.tapsPerHour[static_cast<size_t>(slot)][tap.terminal];
  report_.feesPerHour[static_cast<size_t>(slot)][*op] += fee;
  ++report_.feeSpread[fee][*op];
  const int opNumber = static_cast<int>(*op);
  if (record.journeyId != state.lastJourney) {
    state.journeyCounted = false;
  } else if (opNumber != state.lastOperator && !state.journeyCounted) {
    ++report_.transferJourneys;
    state.journeyCounted = true;
  }
  state.lastJourney = record.journeyId;
  state.lastOperator = opNumber;
  taps_.add({tap.minute, *stamp, terminal, card, command, printed, fee});
}

void Driver::finishTap(int rider) {
  ++report_.tapsAnswered;
  ++riders_[static_cast<size_t>(rider)].next;
  schedule(rider);
}

bool Driver::allUp() const {
  for (int p = 0; p < kPrograms; ++p) {
    const Program& program = programs_[static_cast<size_t>(p)];
    if (!program.child.running() || program.killed || !program.toCheck.empty()) return false;
    if (p != kSettlement && !program.reader.prompted()) return false;
  }
  return true;
}

void Driver::checkStall() {
  const auto now = Clock::now();
  bool waiting = false;
  for (int p = 0; p < kTerminalCount; ++p) {
    if (!programs_[static_cast<size_t>(p)].sent.empty()) waiting = true;
  }
  if (waiting && now - lastAnswer_ > kStallLimit) {
    std::string who;
    for (int p = 0; p < kTerminalCount; ++p) {
      const Program& program = programs_[static_cast<size_t>(p)];
      if (!program.sent.empty()) who += (who.empty() ? "" : ", ") + program.name;
    }
    fail("no answer for 60 seconds from " + who);
  }
}

void Driver::showProgress(bool force) {
  const auto now = Clock::now();
  recent_.emplace_back(now, report_.commandsAnswered);
  while (recent_.size() > 2 && now - recent_.front().first > 3s) recent_.pop_front();
  const double span = secondsBetween(recent_.front().first, now);
  ProgressFigures figures;
  figures.clockMinutes = clock_.minutes();
  figures.answered = report_.tapsAnswered;
  figures.planned = report_.tapsPlanned;
  figures.tapsPerSecond =
      span > 0 ? static_cast<double>(report_.commandsAnswered - recent_.front().second) / span : 0;
  figures.refused = refusedCount_;
  figures.kills = report_.kills;
  progress_.show(figures, force);
}

void Driver::pump(std::chrono::milliseconds timeout) {
  followClock();
  dispatch();
  epoll_event events[32];
  const int n = epoll_wait(epoll_, events, 32, static_cast<int>(timeout.count()));
  bool children = false;
  for (int i = 0; i < n; ++i) {
    const uint64_t tag = events[i].data.u64;
    if (tag == kSignalTag) {
      children = true;
      continue;
    }
    const int p = static_cast<int>(tag >> 2);
    const Stream stream = static_cast<Stream>(tag & 3);
    if (stream == kInput) {
      flush(p);
    } else {
      onReadable(p, stream);
    }
  }
  if (children) reapChildren();
  const auto now = Clock::now();
  if (now - secondStarted_ >= 1s) {
    report_.peakTapsPerSecond = std::max(report_.peakTapsPerSecond, answersThisSecond_);
    answersThisSecond_ = 0;
    secondStarted_ = now;
  }
  makeChaos();
  checkStall();
  showProgress(false);
}

void Driver::play() {
  started_ = Clock::now();
  lastAnswer_ = started_;
  secondStarted_ = started_;
  if (chaos_)
    nextKill_ = started_ + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(chaos_->nextDelay()));
  if (prepare()) {
    while (!failed_ && !allAnswered()) pump(kClockPoll);
  }
  showProgress(true);
  progress_.end();
  const auto lastAnswer = lastAnswer_;
  if (firstSent_) report_.playSeconds = secondsBetween(*firstSent_, lastAnswer);
  finish();
  report_.realSeconds = secondsBetween(started_, Clock::now());
  report_.tapsPerSecond = report_.playSeconds > 0
                              ? static_cast<double>(report_.commandsAnswered) / report_.playSeconds
                              : 0;
  report_.lag = summarizeLags(lags_);
  report_.morningLag = summarizeLags(morningLags_);
  report_.driver = usageOf(RUSAGE_SELF);
  report_.children = usageOf(RUSAGE_CHILDREN);
}

void Driver::finish() {
  if (programs_.empty()) return;
  auto waitUntil = [&](auto done, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!done() && Clock::now() < deadline) pump(kClockPoll);
    return done();
  };
  // Every killed program runs again before the end.
  if (!failed_ && !waitUntil([&] { return allUp(); }, kEndWait)) {
    fail("not every program ran again before the end");
  }
  const size_t lines = statementLineCount(setup_.world);
  for (int p = 0; p < kTerminalCount; ++p) {
    Program& program = programs_[static_cast<size_t>(p)];
    program.finishing = true;
    program.exited = !program.child.running();
    if (program.waitingToWrite) epoll_ctl(epoll_, EPOLL_CTL_DEL, program.child.input(), nullptr);
    program.waitingToWrite = false;
    program.child.closeInput();
  }
  auto terminalsEnded = [&] {
    for (int p = 0; p < kTerminalCount; ++p) {
      if (!programs_[static_cast<size_t>(p)].exited) return false;
    }
    return true;
  };
  if (!waitUntil(terminalsEnded, kEndWait)) {
    fail("a terminal did not end at the end of its input");
    for (int p = 0; p < kTerminalCount; ++p)
      programs_[static_cast<size_t>(p)].child.signal(SIGKILL);
    waitUntil(terminalsEnded, 5s);
  }
  for (int p = 0; p < kTerminalCount; ++p) {
    const Program& program = programs_[static_cast<size_t>(p)];
    if (program.exited && program.exitStatus != 0) {
      fail(program.name + " ended with status " + std::to_string(program.exitStatus));
    }
  }
  Program& settlement = programs_[kSettlement];
  // A whole cycle began after the last answer once two lines follow it.
  if (settlement.child.running() &&
      !waitUntil([&] { return statementLineCount(setup_.world) >= lines + 2; }, kEndWait)) {
    fail("the settlement wrote no two statement lines after the last tap");
  }
  settlement.finishing = true;
  settlement.exited = !settlement.child.running();
  settlement.child.signal(SIGTERM);
  if (!waitUntil([&] { return settlement.exited; }, 10s)) {
    settlement.child.signal(SIGKILL);
    waitUntil([&] { return settlement.exited; }, 5s);
    fail("the settlement did not stop on SIGTERM");
  }
  close(epoll_);
  close(signals_);
}

}  // namespace

void playDay(const DriverSetup& setup, const std::vector<RiderPlan>& plans, TapsCsv& taps,
             DayReport& report) {
  Driver driver(setup, plans, taps, report);
  driver.play();
}
