#include "settlement/exact_reader/log_collection.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "common/base/problem.h"
#include "common/files/file_handle.h"
#include "common/files/file_system.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/content_check.h"
#include "common/formats/time_info.h"
#include "settlement/exact_reader/log_archive.h"

namespace fs = std::filesystem;

namespace {

// A second reading thread pays for itself from about this much to read, or
// this many files to open.
constexpr off_t kTwoThreadsFromBytes = 1 << 20;
constexpr size_t kTwoThreadsFromFiles = 64;

// The names in one of the world's log directories.
struct Listing {
  fs::path dir;
  std::vector<std::string> names;
  bool complete = true;  // false when an entry could not be listed
};

Listing listDirectory(const fs::path& dir) {
  DirectoryNames listed = listNames(dir);
  return {dir, std::move(listed.names), listed.whole};
}

// Every identity that has a name in the listings; nullopt when a listing is
// incomplete or an entry cannot be looked at.
std::optional<std::set<FileIdentity>> identitiesIn(const std::vector<Listing>& listings) {
  std::set<FileIdentity> found;
  for (const Listing& listing : listings) {
    if (!listing.complete) return std::nullopt;
    for (const std::string& name : listing.names) {
      const Result<FileIdentity> identity = identityAt(listing.dir / name);
      if (identity) {
        found.insert(*identity);
      } else if (!identity.problem()->is(Problem::Kind::kMissing)) {
        return std::nullopt;
      }
    }
  }
  return found;
}

off_t lengthAt(const std::string& path) {
  struct stat status;
  return sys::lstat(path.c_str(), &status) == 0 ? status.st_size : 0;
}

int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

int64_t nanoseconds(const timespec& time) {
  return static_cast<int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// Where an identity that left the log directories went: its path from
// `root` in one of the world's archives; empty when it is in none.
std::string archivedPath(const fs::path& root, const FileIdentity& identity) {
  for (const fs::path& archive : archivesOf(root)) {
    for (const std::string& name : namesIn(archive)) {
      if (identityAt(archive / name).asOptional() == identity) {
        return (archive / name).lexically_relative(root).string();
      }
    }
  }
  return {};
}

// "lines 3-5 are" or "line 3 is", for people.
std::string lineRange(const std::pair<long long, long long>& lines) {
  if (lines.first == lines.second) return "line " + std::to_string(lines.first) + " is";
  return "lines " + std::to_string(lines.first) + "-" + std::to_string(lines.second) + " are";
}

}  // namespace

struct LogCollection::Planned {
  std::string path;
  bool live = false;
  size_t log = 0;      // its live log's place in collection order
  std::string stream;  // its live log's name
};

struct LogCollection::FileRead {
  bool opened = false;
  std::optional<Problem> openProblem;
  bool decided = true;  // false: the file changed under every read of it
  FileIdentity identity;
  off_t size = 0;  // when opened
  int64_t modifiedAt = 0;
  bool known = false;     // it begins with what its cursor entry says was decided
  bool released = false;  // it has an entry, and no longer begins with it
  off_t settledTo = 0;
  off_t from = 0;
  FirstLine first;   // of a file not known
  ContentHash hash;  // of everything read, from its start
  LogReading reading;
  std::vector<LedgerLine> tail;  // the latest minute's fresh lines
  // Of a file whose entry knows no minutes (an earlier release's): the
  // latest minute's lines of what was settled of it.
  std::vector<LedgerLine> settledTail;
};

// One collection in progress.
struct LogCollection::Reading {
  CollectionSink& sink;
  const ProblemSink& report;
  fs::path root;
  int64_t readAt = 0;
  Collected collected;
  // Where this collection's reads of each file ended, and the hash there.
  std::map<FileIdentity, off_t> readTo;
  std::map<FileIdentity, ContentHash> hashTo;
  // The files whose bytes this collection settles or settled before.
  std::vector<SettledSource> sources;
  std::optional<LogPlacer> placer;
  // Files that no longer begin with what was settled of them.
  std::vector<std::pair<std::string, FileIdentity>> released;
  // The entries of files placed anew, taken into the cursor once read.
  std::map<FileIdentity, SettledFile> placed;
};

std::string unreadableLogText(const fs::path& path, const Problem& problem) {
  std::string why;
  if (problem.found() == Problem::Found::kLink) {
    why = "a symbolic link";
  } else if (problem.found() == Problem::Found::kNoFile) {
    why = "not a regular file";
  } else {
    why = problem.text();
  }
  return "settlement: cannot read " + path.string() + " (" + why + ")\n";
}

void LogCollection::reportOnce(const std::string& about, const std::string& line,
                               const ProblemSink& report) {
  if (reported_.insert(about).second) report(line);
}

namespace {

// A file read anew when it changed between checking what it begins with
// and reading it, at most this many times.
constexpr int kReadTries = 3;

}  // namespace

LogCollection::FileRead LogCollection::readFile(const Planned& planned, size_t file, size_t thread,
                                                const Reading& reading,
                                                CollectionSink& sink) const {
  FileRead read;
  // Reading leaves the access time alone, where the settlement owns the
  // file: otherwise every log read would be a write to its inode as well.
  Result<FileDescriptor> opened = openRegular(planned.path, O_RDONLY | O_NOATIME);
  if (const Problem* problem = opened.problem()) {
    read.openProblem = *problem;
    return read;
  }
  const FileDescriptor fd = std::move(*opened);
  const Result<FileState> state = fileState(fd.get());
  if (const Problem* problem = state.problem()) {
    read.openProblem = *problem;
    return read;
  }
  read.opened = true;
  read.identity = state->identity;
  read.size = static_cast<off_t>(state->size);
  read.modifiedAt = nanoseconds(state->modified);
  const auto entry = settled_.find(read.identity);
  for (int tries = 0; tries < kReadTries; ++tries) {
    std::optional<ContentKey> matched;
    ContentHash start;
    if (entry != settled_.end()) {
      const Result<PrefixCheck> begins = fileBeginning(fd.get(), std::span(&entry->second.key, 1));
      if (!begins) {
        read.reading.failed = true;
        read.reading.problem = *begins.problem();
        return read;
      }
      matched = begins->matched();
      if (matched) start = begins->hashAtMatch();
    }
    read.known = matched.has_value();
    read.released = entry != settled_.end() && !matched;
    read.settledTo = matched ? matched->length : 0;
    if (!read.known) {
      const Result<FirstLine> first = firstLineOf(fd.get());
      if (!first) {
        read.reading.failed = true;
        read.reading.problem = *first.problem();
        return read;
      }
      read.first = *first;
    }
    read.from = 0;
    if (!planned.live) {
      read.from = read.settledTo;
      const auto earlier = reading.readTo.find(read.identity);
      if (earlier != reading.readTo.end() && earlier->second > read.from) {
        read.from = earlier->second;
        start = reading.hashTo.at(read.identity);
      }
    }
    // A live log is read whole, what it begins with checked again on the
    // way: a log rewritten in between is read anew.
    std::vector<ContentKey> again;
    if (planned.live && matched) again.push_back(*matched);
    PrefixCheck check(planned.live ? ContentHash{} : start, again);
    read.reading =
        sink.read(thread, file, fd.get(), read.from, read.settledTo, {}, read.size, check);
    read.hash = check.hash();
    if (!planned.live || !matched || check.matched() == matched) {
      if (matched && entry->second.lastMinute == 0) {
        read.settledTail = lastMinuteLines(fd.get(), 0, read.settledTo).value_or(read.settledTail);
      }
      const off_t freshFrom = std::max(read.from, read.settledTo);
      if (!read.reading.failed && read.reading.end > freshFrom) {
        read.tail = lastMinuteLines(fd.get(), freshFrom, read.reading.end).value_or(read.tail);
      }
      return read;
    }
  }
  read.decided = false;
  return read;
}

std::vector<LogCollection::FileRead> LogCollection::readFiles(const std::vector<Planned>& plan,
                                                              size_t begin, size_t end,
                                                              const Reading& reading,
                                                              CollectionSink& sink) const {
  sink.expectFiles(end);
  std::vector<FileRead> reads(end - begin);
  bool twoThreads = sink.readingThreads() > 1 && end - begin > 1;
  if (twoThreads && end - begin < kTwoThreadsFromFiles) {
    off_t bytes = 0;
    for (size_t i = begin; i < end; ++i) bytes += lengthAt(plan[i].path);
    twoThreads = bytes >= kTwoThreadsFromBytes;
  }
  std::atomic<size_t> next{begin};
  const auto work = [&](size_t thread) {
    for (size_t i; (i = next.fetch_add(1)) < end;) {
      reads[i - begin] = readFile(plan[i], i, thread, reading, sink);
    }
  };
  std::thread helper;
  if (twoThreads) helper = std::thread(work, 1);
  work(0);
  if (helper.joinable()) helper.join();
  return reads;
}

void LogCollection::place(Reading& reading, const Planned& planned, size_t file, FileRead& read) {
  Frontiers& frontiers = reading.collected.frontiers;
  // The file's entry begins anew: what was decided of it before is gone.
  SettledFile entry{{}, planned.stream, read.first.minute.value_or(0), 0, {}};
  if (!reading.placer) reading.placer.emplace(reading.root, settled_, frontiers_, ledger_);
  std::optional<Placement> placement;
  const FileDescriptor fd = openRegular(planned.path, O_RDONLY).value_or(FileDescriptor());
  const bool same = fd.valid() && fileIdentity(fd.get()).asOptional() == read.identity;
  // A log its terminal made holds taps only, unless a person rewrote it.
  const bool made = !read.released && reading.placer->madeByTerminal(read.identity, planned.stream);
  if (same && !made && reading.placer->mayHoldSettled(read.first)) {
    Result<Placement> placed = reading.placer->place(fd.get(), {read.identity, read.modifiedAt},
                                                     planned.stream, reading.sources);
    if (placed) {
      placement = std::move(*placed);
    } else {
      read.reading.failed = true;
      read.reading.problem = *placed.problem();
    }
  } else if (!same && read.first.whole) {
    read.decided = false;  // replaced since it was read: taken next time
  }
  if (!read.decided || read.reading.failed) return;
  std::vector<LedgerLine> fresh = read.tail;
  if (placement) {
    if (!placement->passed.empty()) {
      // A hand-over file's block leaves out what it begins with that was
      // settled before, as it does for a file the cursor knows.
      const PassedStretch& leading = placement->passed.front();
      read.from = !planned.live && leading.offset == 0 && !leading.held ? leading.length : 0;
      ContentHash start;
      if (read.from > 0) {
        const Result<std::string> bytes = readUpTo(fd.get(), 0, static_cast<size_t>(read.from));
        if (bytes) start.add(*bytes);
      }
      PrefixCheck check(start, {});
      read.reading = reading.sink.read(0, file, fd.get(), read.from, 0, placement->passed,
                                       lengthAt(planned.path), check);
      read.hash = check.hash();
      if (read.reading.failed) return;
    }
    fresh = placement->newLines;
    if (read.reading.end > placement->placedTo) {
      const auto beyond = lastMinuteLines(fd.get(), placement->placedTo, read.reading.end);
      if (beyond) fresh.insert(fresh.end(), beyond->begin(), beyond->end());
    }
    entry.passed = placement->passed;
    entry.firstMinute = placement->firstMinute.value_or(entry.firstMinute);
    advanceFrontier(frontiers, planned.stream, placement->heldLines, read.identity, reading.readAt,
                    true);
    std::vector<const PassedStretch*> held;
    for (const PassedStretch& stretch : placement->passed) {
      if (stretch.held) held.push_back(&stretch);
    }
    // A held stretch is a run of lines: they come in the same order.
    for (size_t i = 0; i < held.size() && i < placement->heldLineNumbers.size(); ++i) {
      reportOnce("held " + planned.path + " " + std::to_string(held[i]->offset),
                 "settlement: " + planned.path + " " + lineRange(placement->heldLineNumbers[i]) +
                     " held (BUS " + std::to_string(held[i]->fees[kBusOperator]) + ", METRO " +
                     std::to_string(held[i]->fees[kMetroOperator]) +
                     "): they repeat lines settled at the same minute and cannot be told from a "
                     "copy of them; nothing of them is settled until scripts/held settles them "
                     "or sets them aside\n",
                 reading.report);
    }
  }
  advanceFrontier(frontiers, planned.stream, fresh, read.identity, reading.readAt, false);
  reading.collected.cursor.erase(read.identity);
  reading.placed.emplace(read.identity, std::move(entry));
}

void LogCollection::accept(Reading& reading, const Planned& planned, size_t file, FileRead& read) {
  if (read.opened && !planned.live) {
    // Read from where settling reached and the live reads ended; an earlier
    // hand-over file with the same identity (a second name) may have read
    // further: then it is read again from there.
    const auto earlier = reading.readTo.find(read.identity);
    if (earlier != reading.readTo.end() && earlier->second > read.from) {
      read = readFile(planned, file, 0, reading, reading.sink);
    }
  }
  const std::string& path = planned.path;
  if (!read.opened) {
    if (!read.openProblem->is(Problem::Kind::kMissing)) {
      reading.report(unreadableLogText(path, *read.openProblem));
    }
    return;
  }
  if (read.decided && !read.reading.failed && !read.known) place(reading, planned, file, read);
  if (read.reading.failed) {
    reading.report(unreadableLogText(
        path, read.reading.problem.value_or(Problem("a read of it failed", Problem::Kind::kIo))));
  }
  if (!read.decided) return;  // rewritten under every read: taken next time
  const FileIdentity& identity = read.identity;
  if (read.released) reading.released.emplace_back(path, identity);
  if (read.known) {
    // What an earlier release settled joins the frontier as read long ago.
    advanceFrontier(reading.collected.frontiers, planned.stream, read.settledTail, identity, 0,
                    false);
    advanceFrontier(reading.collected.frontiers, planned.stream, read.tail, identity,
                    reading.readAt, false);
  }
  const bool first = !reading.readTo.count(identity);
  off_t& to = reading.readTo[identity];
  if (first || read.reading.end > to) {
    to = read.reading.end;
    reading.hashTo[identity] = read.hash;
  }
  if (const auto placed = reading.placed.find(identity); placed != reading.placed.end()) {
    reading.collected.cursor[identity] = std::move(placed->second);
    reading.placed.erase(placed);
  }
  SettledFile& entry = reading.collected.cursor[identity];
  const ContentKey reached{read.hash.length(), read.hash.digest()};
  if (first || reached.length > entry.key.length) {
    entry.key = reached;
    if (entry.stream.empty()) entry.stream = planned.stream;
    for (const std::vector<LedgerLine>* lines : {&read.settledTail, &read.tail}) {
      if (!lines->empty() && lines->back().minute) entry.lastMinute = *lines->back().minute;
    }
    if (entry.firstMinute == 0 && read.first.minute) entry.firstMinute = *read.first.minute;
  }
  // A hand-over file that holds held lines stays until they are cleared.
  const bool holds = std::any_of(entry.passed.begin(), entry.passed.end(),
                                 [](const PassedStretch& stretch) { return stretch.held; });
  if (entry.key.length == 0) {
    reading.collected.cursor.erase(identity);  // `entry` is gone
  } else if (!read.known) {
    reading.sources.push_back({path, identity, planned.stream, read.reading.end, false});
  }
  if (!planned.live && !holds) reading.collected.handOvers.push_back({planned.path, identity});
  reading.collected.files.push_back(file);
}

Collected LogCollection::collect(const fs::path& root, CollectionSink& sink,
                                 const ProblemSink& report) {
  Reading reading{sink, report, root, nowNs(), {{}, settled_, frontiers_, {}, {}}, {}, {},
                  {},   {},     {},   {}};
  // Paths as root / dir / name would give them, built by concatenation.
  const std::string base = (root / "").string();
  const std::array<TripLogPlace, 6>& logs = collectedTripLogs();
  std::vector<Planned> plan;
  for (size_t log = 0; log < logs.size(); ++log) {
    plan.push_back({base + logs[log].dir + "/" + logs[log].name, true, log, logs[log].name});
  }
  std::vector<FileRead> reads = readFiles(plan, 0, plan.size(), reading, sink);

  const std::vector<Listing> listings = {listDirectory(root / kBusDir),
                                         listDirectory(root / kMetroDir)};
  std::vector<std::vector<std::string>> strays;
  std::vector<size_t> handOversEnd;  // by log: the end of its hand-over files in the plan
  const size_t firstHandOver = plan.size();
  for (size_t log = 0; log < logs.size(); ++log) {
    const Listing& listing = listings[logs[log].dir == kBusDir ? 0 : 1];
    const LogFileNames files = classifyLogFiles(listing.names, logs[log].name);
    const std::string dir = base + logs[log].dir + "/";
    for (const std::string_view name : files.handOvers)
      plan.push_back({dir + std::string(name), false, log, logs[log].name});
    handOversEnd.push_back(plan.size());
    strays.emplace_back();
    for (const std::string_view name : files.strays)
      strays.back().push_back(dir + std::string(name));
  }
  std::vector<FileRead> handOvers = readFiles(plan, firstHandOver, plan.size(), reading, sink);
  for (FileRead& read : handOvers) reads.push_back(std::move(read));
  // What a copy may share: every file whose bytes this collection settles
  // because the cursor knows it.
  for (size_t i = 0; i < plan.size(); ++i) {
    const FileRead& read = reads[i];
    if (read.opened && read.decided && read.known && !read.reading.failed) {
      reading.sources.push_back({plan[i].path, read.identity, plan[i].stream, read.reading.end});
    }
  }
  size_t file = 0;
  for (size_t log = 0; log < logs.size(); ++log) accept(reading, plan[log], log, reads[log]);
  file = firstHandOver;
  for (size_t log = 0; log < logs.size(); ++log) {
    for (; file < handOversEnd[log]; ++file) accept(reading, plan[file], file, reads[file]);
    for (const std::string& path : strays[log]) {
      reportOnce("stray " + path,
                 "settlement: " + path +
                     " is neither a trip log nor a hand-over file; it is left alone and never "
                     "settled\n",
                 report);
    }
  }
  // A log that no longer begins with what was settled of it is said once,
  // unless another file does (a log copied aside before it was cut).
  for (const auto& [path, released] : reading.released) {
    const FileIdentity& identity = released;
    const ContentKey& key = settled_.at(identity).key;
    const bool continued = std::any_of(
        reading.sources.begin(), reading.sources.end(), [&](const SettledSource& source) {
          if (source.identity == identity) return false;
          const FileDescriptor other =
              openRegular(source.path, O_RDONLY).value_or(FileDescriptor());
          return other.valid() && beginsWith(other.get(), key).value_or(false);
        });
    if (continued) continue;
    reportOnce("rewritten " + path + " " + formatContentKey(key),
               "settlement: " + path + " no longer begins with the " + std::to_string(key.length) +
                   " bytes settled of it (cut or rewritten): what it holds now is settled where "
                   "it is new, what was settled is not settled again\n",
               report);
  }
  // Entries of files not read leave the cursor, into the ledger, once no
  // file of theirs is left in the log directories.
  const bool allRead = std::all_of(settled_.begin(), settled_.end(), [&](const auto& entry) {
    return reading.readTo.count(entry.first) != 0;
  });
  if (!allRead) {
    if (const auto present = identitiesIn(listings)) {
      for (const auto& [identity, settled] : settled_) {
        if (reading.readTo.count(identity) || present->count(identity)) continue;
        reading.collected.leaving.push_back({archivedPath(root, identity), identity, settled});
        reading.collected.cursor.erase(identity);
      }
    }
  }
  return std::move(reading.collected);
}

namespace {

// Keeps each file's reads until the collection says which files count.
class ReadsInOrder : public CollectionSink {
 public:
  size_t readingThreads() const override { return 1; }
  void expectFiles(size_t files) override {
    if (reads_.size() < files) reads_.resize(files);
  }
  LogReading read(size_t, size_t file, int fd, off_t from, off_t freshFrom,
                  std::span<const PassedStretch> passed, off_t, PrefixCheck& check) override {
    std::vector<std::pair<std::string, bool>>& reads = reads_[file];
    reads.clear();
    return readLogFrom(fd, from, [&](std::string_view read, off_t at) {
      check.add(read);
      const bool isPassed = std::any_of(passed.begin(), passed.end(), [&](const auto& stretch) {
        return at >= stretch.offset && at < stretch.offset + stretch.length;
      });
      reads.emplace_back(std::string(read), at >= freshFrom && !isPassed);
    });
  }
  void deliver(const std::vector<size_t>& files, const CollectedReadSink& take) const {
    for (const size_t file : files) {
      for (const auto& [read, fresh] : reads_[file]) take(read, fresh);
    }
  }

 private:
  std::vector<std::vector<std::pair<std::string, bool>>> reads_;
};

}  // namespace

Collected LogCollection::collect(const fs::path& root, const CollectedReadSink& take,
                                 const ProblemSink& report) {
  ReadsInOrder reads;
  Collected collected = collect(root, static_cast<CollectionSink&>(reads), report);
  reads.deliver(collected.files, take);
  return collected;
}

void LogCollection::settle(const Collected& collected) {
  settled_ = collected.cursor;
  frontiers_ = collected.frontiers;
  ledger_.insert(ledger_.end(), collected.leaving.begin(), collected.leaving.end());
}

std::vector<LedgerPiece> LogCollection::archive(const std::vector<HandOverFile>& handOvers,
                                                const fs::path& root, const fs::path& archive,
                                                long long cycle, const ProblemSink& report) {
  std::vector<LedgerPiece> moved;
  if (handOvers.empty()) return moved;
  // The archive is made ready once for all the files.
  const Result<void> ready = readyArchive(archive);
  // The ledger names archived files from the world's root.
  std::error_code error;
  const fs::path within =
      fs::canonical(archive, error).lexically_relative(fs::canonical(root, error));
  for (const HandOverFile& handOver : handOvers) {
    // An empty file has no entry: it is moved, and the ledger has nothing
    // to keep of it.
    const auto entry = settled_.find(handOver.identity);
    const Result<std::string> into = ready ? moveToArchive(handOver.path, archive, cycle)
                                           : Result<std::string>(*ready.problem());
    if (const Problem* problem = into.problem()) {
      // It stays, settled to its end: no collection takes it again.
      reportOnce("archive " + handOver.path, archiveProblemText(handOver.path, *problem), report);
      continue;
    }
    if (entry == settled_.end()) continue;
    moved.push_back(
        {(within / fs::path(*into).filename()).string(), handOver.identity, entry->second});
  }
  return moved;
}

void LogCollection::forget(std::span<const LedgerPiece> pieces) {
  for (const LedgerPiece& piece : pieces) {
    settled_.erase(piece.identity);
    ledger_.push_back(piece);
  }
}
