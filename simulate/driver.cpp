#include "simulate/driver.h"

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <string_view>
#include <thread>

#include "card/card_commands.h"
#include "common/base/exit_status.h"
#include "common/files/world_layout.h"
#include "common/process/console.h"
#include "driving/clock_follower.h"
#include "driving/event_loop.h"
#include "driving/program_supervisor.h"
#include "driving/tap_answer.h"
#include "simulate/chaos.h"
#include "simulate/progress_line.h"
#include "simulate/statement_reading.h"
#include "simulate/tap_accounts.h"
#include "simulate/tap_records.h"
#include "simulate/tap_schedule.h"

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// The programs: the terminals by their plan number, then the settlement.
constexpr int kSettlement = kTerminalCount;
constexpr int kPrograms = kTerminalCount + 1;
// The clock's tag in the event loop, apart from the programs' pipes.
constexpr uint64_t kClockTag = uint64_t{1} << 62;

// The clock file is read at least this often, whatever the watch on it
// says: a tap is sent within this of its time even without one.
constexpr auto kClockPoll = 100ms;
constexpr auto kClockPollUnwatched = 5ms;
// The driver wakes at most this often while the terminals answer: the
// answers of a millisecond are read, typed up and accounted together.
constexpr auto kLeastWakeGap = 1ms;
// A rider tops up at most this often for one tap, then takes the refusal.
constexpr int kMostTopUps = 3;
// A "Time read error!" is met by the same tap this much later.
constexpr auto kClockErrorRetry = 200ms;
// Nothing answered for this long while taps wait: the run is given up.
constexpr auto kStallLimit = 60s;
constexpr auto kEndWait = 30s;
// Cut short: how long the terminals have to answer what they hold.
constexpr auto kCutShortWait = 10s;

constexpr std::string_view kKilledText = "(killed before it answered; the card holds the tap)";

// What the driver keeps of a rider, in one place, so that a tap touches
// one rider's state and its plan's taps and nothing else of the rider.
struct RiderState {
  const PlannedTap* taps = nullptr;  // the rider's plan
  uint32_t count = 0;
  uint32_t next = 0;  // the planned tap in hand or next
  int balance = 0;
  uint32_t records = 1;  // the records its card holds: the first, top-ups and charged taps
  uint8_t topUps = 0;
  JourneyTrack journey;
};

struct TerminalState {
  std::deque<TapTicket> sent;      // typed and not yet answered, in order
  std::vector<TapTicket> toCheck;  // unanswered when the terminal was killed
};

double secondsBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

std::vector<ProgramLaunch> worldPrograms(const DriverSetup& setup) {
  std::vector<ProgramLaunch> launches;
  for (int t = 0; t < kTerminalCount; ++t) {
    const bool bus = t == kBusTerminal;
    launches.push_back(
        {terminalName(t), (setup.programs / (bus ? "bus_terminal" : "metro_terminal")).string(),
         bus ? std::vector<std::string>{} : std::vector<std::string>{std::to_string(t)},
         (setup.world / (bus ? kBusDir : kMetroDir)).string(), true});
  }
  launches.push_back({"settlement",
                      (setup.programs / "settlement_fast").string(),
                      {},
                      (setup.world / kSettlementDir).string(),
                      false});
  return launches;
}

class Driver final : public ProgramListener {
 public:
  Driver(const DriverSetup& setup, const std::vector<RiderPlan>& plans, TapsCsv& taps,
         DayReport& report);

  void play();

 private:
  // What the programs say.
  void answered(int p, std::string_view answer) override;
  void firstPrompt(int p) override;
  void ended(int p, int status, bool killed, const std::string& errors) override;
  void givenUp(int, const std::string& why) override { fail(why); }

  // The loop.
  bool prepare();
  void step();
  void pump(Clock::duration timeout);
  void followClock();
  void dispatch();
  void send(int terminal, const TapTicket& ticket);
  void makeChaos();
  void checkStall();
  void showProgress(bool force);
  void finish();
  bool waitUntil(const std::function<bool()>& done, Clock::duration limit);

  // Taps.
  void take(int p, TapTicket ticket, std::string_view answer);
  void topUp(int rider);
  void finishTap(int rider);
  void schedule(int rider);
  void fail(const std::string& why);
  bool allAnswered() const { return report_.tapsAnswered == report_.tapsPlanned; }
  bool allUp() const;

  const DriverSetup& setup_;
  const std::vector<RiderPlan>& plans_;
  DayReport& report_;
  EventLoop loop_;
  ClockFollower clock_;
  ProgramSupervisor programs_;
  TapSchedule schedule_;
  TapAccounts accounts_;
  TapRecords records_;
  std::optional<Chaos> chaos_;
  ProgressLine progress_;

  std::vector<RiderState> riders_;
  std::array<TerminalState, kTerminalCount> terminals_;
  bool failed_ = false;
  bool prepared_ = false;
  bool finishing_ = false;
  bool clockChanged_ = true;

  Clock::time_point started_;
  Clock::time_point lastClockRead_;
  Clock::time_point lastWake_;
  Clock::time_point lastAnswer_;
  std::optional<Clock::time_point> firstSent_;
  std::optional<Clock::time_point> nextRetry_;
  long long answersThisSecond_ = 0;
  Clock::time_point secondStarted_;
  // taps per second over the last few seconds, for the progress line
  std::deque<std::pair<Clock::time_point, long long>> recent_;
};

int lastMinute(const std::vector<RiderPlan>& plans, int from) {
  int last = from;
  for (const RiderPlan& plan : plans) {
    if (!plan.taps.empty()) last = std::max(last, plan.taps.back().minute);
  }
  return last;
}

Driver::Driver(const DriverSetup& setup, const std::vector<RiderPlan>& plans, TapsCsv& taps,
               DayReport& report)
    : setup_(setup),
      plans_(plans),
      report_(report),
      clock_(setup.world, setup.firstDay, setup.fromMinute),
      programs_(loop_, worldPrograms(setup), *this),
      schedule_(setup.fromMinute, lastMinute(plans, setup.fromMinute)),
      accounts_(report, taps),
      records_(setup.world, setup.firstDay),
      riders_(plans.size()) {}

void Driver::fail(const std::string& why) {
  if (!failed_) report_.differences.push_back(why);
  failed_ = true;
}

bool Driver::prepare() {
  if (const Result<void> opened = loop_.open(); !opened) {
    fail("the driver cannot wait for its programs: " + opened.problem()->text());
    return false;
  }
  if (clock_.changes() >= 0) loop_.watch(clock_.changes(), kClockTag);
  for (size_t r = 0; r < plans_.size(); ++r) {
    RiderState& rider = riders_[r];
    rider.taps = plans_[r].taps.data();
    rider.count = static_cast<uint32_t>(plans_[r].taps.size());
    rider.balance = plans_[r].balance;
    report_.tapsPlanned += rider.count;
    schedule(static_cast<int>(r));
  }
  prepared_ = true;
  // The settlement first: its clock goes on from the clock file laid for
  // the start, and the terminals read it.
  for (int p = kSettlement; p >= 0; --p) {
    if (!programs_.start(p)) return false;
  }
  return true;
}

void Driver::schedule(int rider) {
  RiderState& state = riders_[static_cast<size_t>(rider)];
  if (state.next >= state.count) return;
  const PlannedTap& tap = state.taps[state.next];
  state.topUps = 0;
  schedule_.plan({rider, tap, tap.typo != Typo::kNone});
}

void Driver::followClock() {
  const auto now = Clock::now();
  const auto poll = clock_.changes() >= 0 ? kClockPoll : kClockPollUnwatched;
  if (clockChanged_ || now - lastClockRead_ >= poll) {
    clockChanged_ = false;
    lastClockRead_ = now;
    schedule_.release(clock_.read());
  }
  if (nextRetry_ && *nextRetry_ <= now) nextRetry_ = schedule_.releaseRetries(now);
}

void Driver::dispatch() {
  for (int t = 0; t < kTerminalCount; ++t) {
    std::deque<TapTicket>& queue = schedule_.queue(t);
    if (queue.empty() || !programs_.up(t)) continue;
    for (const TapTicket& ticket : queue) send(t, ticket);
    queue.clear();
    programs_.flush(t);
  }
}

void Driver::send(int terminal, const TapTicket& ticket) {
  std::string& input = programs_.input(terminal);
  appendTapCommand(input, riderCardText(ticket.rider).view(), ticket.tap, ticket.mistyped);
  input += '\n';
  terminals_[static_cast<size_t>(terminal)].sent.push_back(ticket);
  if (!firstSent_) firstSent_ = Clock::now();
}

void Driver::answered(int p, std::string_view answer) {
  TerminalState& terminal = terminals_[static_cast<size_t>(p)];
  if (terminal.sent.empty()) return;  // nothing asked: nothing to answer
  const TapTicket ticket = terminal.sent.front();
  terminal.sent.pop_front();
  ++answersThisSecond_;
  lastAnswer_ = lastWake_;
  take(p, ticket, answer);
}

void Driver::take(int p, TapTicket ticket, std::string_view answer) {
  const int rider = ticket.rider;
  RiderState& state = riders_[static_cast<size_t>(rider)];
  const PlannedTap& tap = ticket.tap;
  const TapAnswer read = readTapAnswer(answer);
  if (read.charged) {
    const std::optional<ChargedRecord> record =
        records_.charged(p, rider, tap, read.fee, state.records, state.balance);
    if (!record) {
      fail("card " + riderCard(rider) + " holds no record of a tap " + terminalName(p) +
           " charged");
    } else {
      accounts_.charged(state.journey, rider, tap, ticket.mistyped, answer, *record);
      state.balance = read.balance.value_or(state.balance - static_cast<int>(record->fee));
      ++state.records;
    }
    finishTap(rider);
    return;
  }
  if (ticket.mistyped) {
    accounts_.refused(rider, tap, true, answer, -1);
    ++report_.mistyped;
    ticket.mistyped = false;
    schedule_.queue(ticket);
  } else if (read.lack && state.topUps < kMostTopUps) {
    accounts_.refused(rider, tap, false, answer, -1);
    topUp(rider);
    schedule_.queue(ticket);
  } else if (read.clockError) {
    accounts_.refused(rider, tap, false, answer, -1);
    ++report_.resentAfterClockError;
    const auto when = Clock::now() + kClockErrorRetry;
    schedule_.retry(ticket, when);
    nextRetry_ = nextRetry_ ? std::min(*nextRetry_, when) : when;
  } else {
    accounts_.refused(rider, tap, false, answer, clock_.minutes());
    finishTap(rider);
  }
}

void Driver::topUp(int rider) {
  RiderState& state = riders_[static_cast<size_t>(rider)];
  const std::string card = riderCard(rider);
  const auto topUp = topUpQuietly(setup_.world, card, kTopUpAmount);
  if (topUp) {
    ++state.topUps;
    ++state.records;
    ++report_.topUps;
    report_.topUpAmount += kTopUpAmount;
    state.balance = topUp->after;
  } else {
    fail("card " + card + " could not be topped up: " + topUp.problem()->text());
    state.topUps = kMostTopUps;
  }
}

void Driver::finishTap(int rider) {
  ++report_.tapsAnswered;
  ++riders_[static_cast<size_t>(rider)].next;
  schedule(rider);
}

void Driver::firstPrompt(int p) {
  TerminalState& terminal = terminals_[static_cast<size_t>(p)];
  // The new terminal has completed or dropped the tap a kill left in hand:
  // a card with a record more holds it (and its trip log the same record).
  std::vector<TapTicket> resend;
  for (const TapTicket& sent : terminal.toCheck) {
    RiderState& state = riders_[static_cast<size_t>(sent.rider)];
    const std::optional<ChargedRecord> record =
        records_.onCard(sent.rider, state.records, state.balance);
    if (!record) {
      ++report_.resentAfterKill;
      resend.push_back(sent);
      continue;
    }
    records_.takeLogged(p, sent.tap, record->fee);
    ++report_.answeredByCard;
    accounts_.charged(state.journey, sent.rider, sent.tap, sent.mistyped, kKilledText, *record);
    state.balance -= static_cast<int>(record->fee);
    ++state.records;
    finishTap(sent.rider);
  }
  terminal.toCheck.clear();
  // Sent again first, in the order they were sent.
  std::deque<TapTicket>& queue = schedule_.queue(p);
  queue.insert(queue.begin(), resend.begin(), resend.end());
}

void Driver::ended(int p, int status, bool killed, const std::string& errors) {
  if (!killed) {
    const std::string tail = errors.empty() ? "" : ": " + errors;
    errorWrite("simulate: " + programs_.name(p) + " ended with status " + std::to_string(status) +
               tail + (tail.ends_with('\n') ? "" : "\n"));
  }
  if (p == kSettlement) return;
  TerminalState& terminal = terminals_[static_cast<size_t>(p)];
  terminal.toCheck.insert(terminal.toCheck.end(), terminal.sent.begin(), terminal.sent.end());
  terminal.sent.clear();
}

void Driver::makeChaos() {
  if (!chaos_ || allAnswered() || failed_ || finishing_ || !chaos_->due(Clock::now())) return;
  std::vector<int> candidates;
  for (int p = 0; p < kPrograms; ++p) {
    const bool serving = p == kSettlement || programs_.prompted(p);
    if (programs_.running(p) && !programs_.killed(p) && serving) candidates.push_back(p);
  }
  if (candidates.empty()) return;
  const int victim = chaos_->pick(candidates);
  programs_.kill(victim);
  ++report_.kills;
  ++report_.killsOf[programs_.name(victim)];
}

bool Driver::allUp() const {
  for (int p = 0; p < kPrograms; ++p) {
    if (!programs_.running(p) || programs_.killed(p)) return false;
    if (p == kSettlement) continue;
    if (!programs_.prompted(p) || !terminals_[static_cast<size_t>(p)].toCheck.empty()) {
      return false;
    }
  }
  return true;
}

void Driver::checkStall() {
  std::string who;
  for (int t = 0; t < kTerminalCount; ++t) {
    if (!terminals_[static_cast<size_t>(t)].sent.empty()) {
      who += (who.empty() ? "" : ", ") + programs_.name(t);
    }
  }
  if (!who.empty() && Clock::now() - lastAnswer_ > kStallLimit) {
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
  figures.refused = accounts_.refusedCount();
  figures.kills = report_.kills;
  progress_.show(figures, force);
}

void Driver::pump(Clock::duration timeout) {
  // Answers that come in the same millisecond are taken together.
  const auto sinceWake = Clock::now() - lastWake_;
  if (sinceWake < kLeastWakeGap) std::this_thread::sleep_for(kLeastWakeGap - sinceWake);
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(timeout);
  const std::span<const EventLoop::Event> events = loop_.wait(std::max(wait, 0ms));
  lastWake_ = Clock::now();
  bool children = false;
  for (const EventLoop::Event& event : events) {
    if (event.signal == SIGCHLD) {
      children = true;
    } else if (event.signal != 0) {
      if (report_.cutShortBy == 0) report_.cutShortBy = event.signal;
      // A second request while the day is being stopped: stop everything now.
      if (finishing_ && report_.cutShortBy != 0) {
        for (int p = 0; p < kPrograms; ++p) programs_.signal(p, SIGKILL);
      }
    } else if (event.tag == kClockTag) {
      clockChanged_ = clock_.takeChanges() || clockChanged_;
    } else {
      programs_.onEvent(event.tag);
    }
  }
  if (children) programs_.reap();
  if (lastWake_ - secondStarted_ >= 1s) {
    report_.peakTapsPerSecond = std::max(report_.peakTapsPerSecond, answersThisSecond_);
    answersThisSecond_ = 0;
    secondStarted_ = lastWake_;
  }
}

void Driver::step() {
  followClock();
  dispatch();
  Clock::duration timeout = clock_.changes() >= 0 ? kClockPoll : kClockPollUnwatched;
  if (nextRetry_) timeout = std::min(timeout, *nextRetry_ - Clock::now());
  pump(timeout);
  makeChaos();
  checkStall();
  showProgress(false);
}

bool Driver::waitUntil(const std::function<bool()>& done, Clock::duration limit) {
  const auto deadline = Clock::now() + limit;
  while (!done() && Clock::now() < deadline) pump(kClockPollUnwatched);
  return done();
}

void Driver::play() {
  const Rusage before = usageOf(RUSAGE_SELF);
  started_ = Clock::now();
  lastAnswer_ = started_;
  lastWake_ = started_;
  secondStarted_ = started_;
  if (setup_.chaosSeconds) chaos_.emplace(*setup_.chaosSeconds, setup_.seed, started_);
  if (prepare()) {
    while (!failed_ && !allAnswered() && report_.cutShortBy == 0) step();
  }
  showProgress(true);
  progress_.end();
  if (firstSent_) report_.playSeconds = secondsBetween(*firstSent_, lastAnswer_);
  finish();
  accounts_.close();
  report_.realSeconds = secondsBetween(started_, Clock::now());
  report_.tapsPerSecond = report_.playSeconds > 0
                              ? static_cast<double>(report_.commandsAnswered) / report_.playSeconds
                              : 0;
  // The driver's own share is of the playing: the day's planning and its
  // cards' provisioning are the world's setup, counted apart.
  report_.driver = usageOf(RUSAGE_SELF);
  report_.driver.userSeconds -= before.userSeconds;
  report_.driver.systemSeconds -= before.systemSeconds;
  report_.children = usageOf(RUSAGE_CHILDREN);
}

void Driver::finish() {
  if (!prepared_) return;
  finishing_ = true;
  const bool cut = report_.cutShortBy != 0;
  // Every killed program runs again before the end.
  if (!failed_ && !cut && !waitUntil([&] { return allUp(); }, kEndWait)) {
    fail("not every program ran again before the end");
  }
  const size_t lines = statementLineCount(setup_.world);
  for (int p = 0; p < kPrograms; ++p) programs_.finish(p);
  for (int t = 0; t < kTerminalCount; ++t) programs_.closeInput(t);
  // Cut short, the settlement stops at once: what it has not settled
  // waits in the trip logs.
  if (cut) programs_.signal(kSettlement, SIGTERM);
  auto terminalsEnded = [&] {
    for (int t = 0; t < kTerminalCount; ++t) {
      if (!programs_.exited(t)) return false;
    }
    return true;
  };
  if (!waitUntil(terminalsEnded, cut ? kCutShortWait : kEndWait)) {
    fail("a terminal did not end at the end of its input");
    for (int t = 0; t < kTerminalCount; ++t) programs_.signal(t, SIGKILL);
    waitUntil(terminalsEnded, 5s);
  }
  for (int t = 0; t < kTerminalCount; ++t) {
    const int status = programs_.exitStatus(t);
    if (programs_.exited(t) && status != 0 && !(cut && status == exitStatusOfSignal(SIGKILL))) {
      fail(programs_.name(t) + " ended with status " + std::to_string(status));
    }
  }
  // A whole cycle began after the last answer once two lines follow it.
  if (!cut && programs_.running(kSettlement) &&
      !waitUntil([&] { return statementLineCount(setup_.world) >= lines + 2; }, kEndWait)) {
    fail("the settlement wrote no two statement lines after the last tap");
  }
  programs_.signal(kSettlement, SIGTERM);
  if (!waitUntil([&] { return programs_.exited(kSettlement); }, 10s)) {
    programs_.signal(kSettlement, SIGKILL);
    waitUntil([&] { return programs_.exited(kSettlement); }, 5s);
    fail("the settlement did not stop on SIGTERM");
  }
}

}  // namespace

void playDay(const DriverSetup& setup, const std::vector<RiderPlan>& plans, TapsCsv& taps,
             DayReport& report) {
  Driver driver(setup, plans, taps, report);
  driver.play();
}
