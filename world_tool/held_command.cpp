#include "world_tool/held_command.h"

#include <fcntl.h>

#include <chrono>
#include <ctime>
#include <vector>

#include "common/files/file_handle.h"
#include "common/files/file_identity.h"
#include "common/files/file_replace.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/clock_file.h"
#include "common/formats/settlement_book.h"
#include "common/formats/trip_log_reading.h"
#include "common/process/console.h"
#include "common/process/process_calls.h"
#include "common/process/program_arguments.h"
#include "common/process/role_lock.h"
#include "settlement/exact_distribute/distribution_pass.h"
#include "settlement/list/flat_trip_list.h"
#include "settlement/statement_book.h"

namespace fs = std::filesystem;

namespace {

// One held run, where it lies now.
struct HeldRun {
  FileIdentity identity;
  size_t stretch = 0;    // its place among the file's passed stretches
  std::string relative;  // the file, from the world's root
  PassedStretch bytes;
  long long firstLine = 0;
  long long lastLine = 0;
};

int refuse(const std::string& line) {
  errorWrite(std::string(invokedName()) + ": " + line + "\n");
  return kExitRefused;
}

// The line numbers (from 1) of the lines that begin in `stretch` of `fd`.
std::pair<long long, long long> linesOf(int fd, const PassedStretch& stretch) {
  const Result<std::string> before = readUpTo(fd, 0, static_cast<size_t>(stretch.offset));
  const Result<std::string> held =
      readUpTo(fd, stretch.offset, static_cast<size_t>(stretch.length));
  if (!before || !held) return {0, 0};
  const long long first = std::count(before->begin(), before->end(), '\n') + 1;
  return {first, first + std::max<long long>(std::count(held->begin(), held->end(), '\n'), 1) - 1};
}

// Every held run of the world, in the order of the log directories' files.
std::vector<HeldRun> heldRuns(const fs::path& world, const SettlementState& state) {
  std::vector<HeldRun> runs;
  for (const TripLogPlace& log : collectedTripLogs()) {
    std::vector<fs::path> files = {world / log.dir / log.name};
    for (const fs::path& handOver : filesOfLog(world, log).handOvers) files.push_back(handOver);
    for (const fs::path& path : files) {
      const FileDescriptor file = openRegular(path.string(), O_RDONLY).value_or(FileDescriptor());
      const std::optional<FileIdentity> identity =
          file.valid() ? fileIdentity(file.get()).asOptional() : std::nullopt;
      const auto entry = identity ? state.cursor.find(*identity) : state.cursor.end();
      if (entry == state.cursor.end() || !beginsWith(file.get(), entry->second.key).value_or(false))
        continue;
      for (size_t i = 0; i < entry->second.passed.size(); ++i) {
        const PassedStretch& stretch = entry->second.passed[i];
        if (!stretch.held) continue;
        const auto [first, last] = linesOf(file.get(), stretch);
        runs.push_back(
            {*identity, i, path.lexically_relative(world).string(), stretch, first, last});
      }
    }
  }
  return runs;
}

std::string describe(const HeldRun& run) {
  const std::string lines =
      run.firstLine == run.lastLine
          ? "line " + std::to_string(run.firstLine)
          : "lines " + std::to_string(run.firstLine) + "-" + std::to_string(run.lastLine);
  return run.relative + " " + lines + " (" + std::to_string(run.bytes.records) +
         (run.bytes.records == 1 ? " record" : " records") + ": BUS " +
         std::to_string(run.bytes.fees[kBusOperator]) + ", METRO " +
         std::to_string(run.bytes.fees[kMetroOperator]) + ")";
}

// The statement line that settles `run`: its records distributed as a cycle
// distributes its fresh records.
std::optional<StatementLine> settlingLine(const fs::path& world, const HeldRun& run,
                                          long long cycle, const std::string& clock) {
  const FileDescriptor file =
      openRegular((world / run.relative).string(), O_RDONLY).value_or(FileDescriptor());
  if (!file.valid()) return std::nullopt;
  const Result<std::string> bytes =
      readUpTo(file.get(), run.bytes.offset, static_cast<size_t>(run.bytes.length));
  if (!bytes || bytes->size() != static_cast<size_t>(run.bytes.length)) return std::nullopt;
  FlatTripList list;
  list.expectFiles(1);
  list.file(0).addReads(std::string_view(*bytes).substr(0, wholeReadsLength(*bytes)), 0, 0);
  const size_t only = 0;
  list.arrange(std::span(&only, 1));
  DistributionPass pass;
  list.forEachInOrder(
      [&](const FlatRecord& record, const char* spill) { pass.add(record, spill); });
  const ListDistribution settled = pass.finish();
  return StatementLine{cycle, clock, settled.records, settled.fees, settled.shares()};
}

// The clock text a line settled now carries: the clock file's, or the last
// line's when the file holds none.
std::string clockNow(const fs::path& world, const StatementBook& book) {
  const Result<std::string> text = readClockFile((world / kTimeDir / kClockFileName).string());
  if (text && parseClockLine(*text)) return text->substr(0, text->find('\n'));
  const std::optional<StatementLine> last = book.lastLine();
  return last ? last->clock : "000000000000";
}

// Where the note of a run set aside goes: the settlement's archive.
fs::path archiveFor(const fs::path& world) {
  const std::vector<fs::path> archives = archivesOf(world);
  return archives.empty() ? world / kSettlementDir / kArchiveDir : archives.front();
}

std::string utcNow() {
  const std::tm utc = universalTimeNow();
  char text[32];
  strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &utc);
  return text;
}

int listRuns(const std::vector<HeldRun>& runs, const std::string& named) {
  if (runs.empty()) {
    consoleWrite("nothing is held in " + named + "\n");
    return kExitDone;
  }
  std::string text = "held in " + named +
                     ": lines the settlement cannot tell from lines it settled; none is settled "
                     "until you say\n";
  for (size_t i = 0; i < runs.size(); ++i) {
    text += "  " + std::to_string(i + 1) + "  " + describe(runs[i]) + "\n";
  }
  text += "scripts/held --settle N " + named + " settles run N once (new taps); scripts/held " +
          "--set-aside N --note TEXT " + named + " sets it aside for good (a copy)\n";
  consoleWrite(text);
  return kExitDone;
}

}  // namespace

int heldCommand(const fs::path& world, const std::string& named, const HeldWord& word) {
  if (word.kind != HeldWord::Kind::kList) {
    // Only with the settlement stopped: the statement has one writer.
    if (const Result<void> claimed =
            claimRole(world.string(), "settlement", (world / "settlement.lock").string());
        !claimed) {
      return refuse("the settlement of " + named + " is " + claimed.problem()->text() +
                    ": stop it first (scripts/world --stop " + named + ")");
    }
  }
  StatementBook book;
  if (const Result<std::optional<Problem>> resumed = book.resume(world); !resumed) {
    return refuse(resumed.problem()->text());
  }
  const BookReading reading = readBook(world);
  if (!reading.state) return listRuns({}, named);
  const std::vector<HeldRun> runs = heldRuns(world, *reading.state);
  if (word.kind == HeldWord::Kind::kList) return listRuns(runs, named);
  if (word.run < 1 || static_cast<size_t>(word.run) > runs.size()) {
    return refuse("there is no held run " + std::to_string(word.run) + " in " + named + " (" +
                  std::to_string(runs.size()) + " held; scripts/held " + named + " lists them)");
  }
  const HeldRun& run = runs[static_cast<size_t>(word.run - 1)];
  SettledCursor cursor = reading.state->cursor;
  Frontiers frontiers = reading.state->frontiers;
  PassedStretch& stretch = cursor.at(run.identity).passed.at(run.stretch);
  if (word.kind == HeldWord::Kind::kSettle) {
    const std::optional<StatementLine> line =
        settlingLine(world, run, book.nextCycle(), clockNow(world, book));
    if (!line) return refuse("cannot read " + run.relative);
    // Settled: the lines are settled ones from now on, wherever they are.
    auto& passed = cursor.at(run.identity).passed;
    passed.erase(passed.begin() + static_cast<long>(run.stretch));
    for (auto& [stream, frontier] : frontiers) {
      for (FrontierGroup& group : frontier.groups) {
        if (group.source == run.identity) group.held = false;
      }
    }
    const StatementBook::Commit commit = book.commit(*line, cursor, frontiers);
    if (commit.outcome == StatementBook::Outcome::kFailed) return refuse(commit.problem->text());
    consoleWrite("settled in cycle " + std::to_string(line->cycle) + ": " + describe(run) + "\n");
    return kExitDone;
  }
  // Set aside: a note in the archive says what and why; the lines stay in
  // their file, passed for good.
  const fs::path archive = archiveFor(world);
  std::error_code error;
  fs::create_directories(archive, error);
  const std::string noteName = "held-" + std::to_string(run.identity.inode) + "-" +
                               std::to_string(run.bytes.offset) + std::string(kHeldNoteSuffix);
  const std::string note =
      "set aside by hand at " + utcNow() + ": " + describe(run) + "\nwhy: " + word.note + "\n";
  if (const Result<void> written = replaceFile((archive / noteName).string(), note); !written) {
    return refuse("cannot write " + (archive / noteName).string() + ": " +
                  written.problem()->text());
  }
  stretch = PassedStretch{stretch.offset, stretch.length, false, 0, {0, 0}};
  if (const Result<void> rewritten = book.rewrite(cursor, frontiers); !rewritten) {
    return refuse(rewritten.problem()->text());
  }
  consoleWrite("set aside for good, noted in " +
               (archive / noteName).lexically_relative(world).string() + ": " + describe(run) +
               "\n");
  return kExitDone;
}
