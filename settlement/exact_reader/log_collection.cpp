#include "settlement/exact_reader/log_collection.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <optional>
#include <thread>

#include "common/files/file_handle.h"
#include "common/files/world_layout.h"
#include "common/formats/content_check.h"
#include "common/process/problem.h"
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
      if (const auto identity = identityAt(listing.dir / name)) {
        found.insert(*identity);
      } else if (errno != ENOENT) {
        return std::nullopt;
      }
    }
  }
  return found;
}

off_t lengthAt(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0 ? status.st_size : 0;
}

}  // namespace

struct LogCollection::Planned {
  std::string path;
  bool live = false;
  size_t log = 0;  // its live log's place in collection order
};

struct LogCollection::FileRead {
  bool opened = false;
  int openError = 0;
  bool decided = true;  // false: the file changed under every read of it
  FileIdentity identity;
  off_t size = 0;  // when opened
  off_t settledTo = 0;
  off_t from = 0;
  bool released = false;                      // it no longer begins with what was settled of it
  std::optional<FileIdentity> continuesFrom;  // the settled file whose bytes it begins with
  ContentHash hash;                           // of everything read, from its start
  LogReading reading;
  int readError = 0;
};

// A live log read whole by a collection, which began with what was settled
// of it: every byte of it up to `readTo` is settled once that collection is.
struct LogCollection::LiveRead {
  std::string path;
  FileIdentity identity;
  off_t readTo = 0;
};

// One collection in progress.
struct LogCollection::Reading {
  CollectionSink& sink;
  const ProblemSink& report;
  Collected collected;
  // Where this collection's reads of each file ended, and the hash there.
  std::map<FileIdentity, off_t> readTo;
  std::map<FileIdentity, ContentHash> hashTo;
  FreeContents free;
  std::map<FileIdentity, std::string> released;  // and the path it was read at
  std::set<FileIdentity> continued;              // released contents another file holds
  // Each live log as this collection read it, by its place in collection
  // order, while it began with its own settled content.
  std::map<size_t, LiveRead> live;
};

std::string unreadableLogText(const fs::path& path, int error) {
  std::string why;
  if (error == ELOOP) {
    why = "a symbolic link";
  } else if (error == EINVAL) {
    why = "not a regular file";
  } else {
    why = Problem::fromErrno(error).text();
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
  FileDescriptor fd = openRegularFile(planned.path, O_RDONLY | O_NOATIME);
  if (!fd.valid() && errno == EPERM) fd = openRegularFile(planned.path, O_RDONLY);
  const std::optional<FileState> state = fd.valid() ? fileState(fd.get()) : std::nullopt;
  if (!state) {
    read.openError = errno;
    return read;
  }
  read.opened = true;
  read.identity = state->identity;
  read.size = static_cast<off_t>(state->size);
  for (int tries = 0; tries < kReadTries; ++tries) {
    const std::optional<SettledBeginning> begins =
        settledBeginning(fd.get(), read.identity, settled_, reading.free);
    if (!begins) {
      read.reading.failed = true;
      read.readError = errno;
      return read;
    }
    const std::optional<ContentKey>& matched = begins->settled;
    read.settledTo = matched ? matched->length : 0;
    read.released = begins->released;
    read.continuesFrom = begins->continuesFrom;
    ContentHash start = begins->hash;
    if (!planned.live && !matched && !settled_.count(read.identity)) {
      if (const auto copied = copiedFromLive(fd.get(), planned, reading)) {
        read.settledTo = copied->length();
        start = *copied;
      }
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
    read.reading = sink.read(thread, file, fd.get(), read.from, read.settledTo, read.size, check);
    if (read.reading.failed) read.readError = errno;
    read.hash = check.hash();
    if (!planned.live || !matched || check.matched() == matched) return read;
  }
  read.decided = false;
  return read;
}

std::optional<ContentHash> LogCollection::copiedFromLive(int fd, const Planned& planned,
                                                         const Reading& reading) const {
  const auto live = reading.live.find(planned.log);
  if (live == reading.live.end()) return std::nullopt;
  const FileDescriptor log = openRegularFile(live->second.path, O_RDONLY);
  const std::optional<FileState> state = log.valid() ? fileState(log.get()) : std::nullopt;
  if (!state || !(state->identity == live->second.identity)) return std::nullopt;
  const std::optional<ContentHash> shared = sharedLines(fd, log.get(), live->second.readTo);
  if (!shared || shared->length() == 0) return std::nullopt;
  return shared;
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
    if (read.openError != ENOENT) reading.report(unreadableLogText(path, read.openError));
    return;
  }
  if (read.reading.failed) reading.report(unreadableLogText(path, read.readError));
  if (!read.decided) return;  // rewritten under every read: taken next time
  const FileIdentity& identity = read.identity;
  if (planned.live && read.settledTo > 0 && !read.released && !read.continuesFrom) {
    reading.live[file] = {path, identity, read.reading.end};
  }
  if (read.released) reading.released.emplace(identity, path);
  if (read.continuesFrom) reading.continued.insert(*read.continuesFrom);
  const bool first = !reading.readTo.count(identity);
  off_t& to = reading.readTo[identity];
  if (first || read.reading.end > to) {
    to = read.reading.end;
    reading.hashTo[identity] = read.hash;
  }
  ContentKey& key = reading.collected.cursor[identity];
  const ContentKey reached{read.hash.length(), read.hash.digest()};
  if (first || reached.length > key.length) key = reached;
  if (key.length == 0) reading.collected.cursor.erase(identity);
  if (!planned.live) reading.collected.handOvers.push_back({planned.path, identity});
  reading.collected.files.push_back(file);
}

Collected LogCollection::collect(const fs::path& root, CollectionSink& sink,
                                 const ProblemSink& report) {
  Reading reading{sink, report, {{}, settled_, {}}, {}, {}, {}, {}, {}, {}};
  // Settled contents whose file is no longer in the world's log
  // directories (the world copied or restored, a log rewritten under a new
  // inode) are free for any file that begins with them.
  if (!settled_.empty()) {
    const std::vector<Listing> before = {listDirectory(root / kBusDir),
                                         listDirectory(root / kMetroDir)};
    if (const auto present = identitiesIn(before)) {
      for (const auto& [identity, key] : settled_) {
        if (!present->count(identity)) reading.free.emplace(key, identity);
      }
    }
  }
  // Paths as root / dir / name would give them, built by concatenation.
  const std::string base = (root / "").string();
  const std::array<TripLogPlace, 6>& logs = collectedTripLogs();
  std::vector<Planned> plan;
  for (const TripLogPlace& log : logs) plan.push_back({base + log.dir + "/" + log.name, true});
  std::vector<FileRead> live = readFiles(plan, 0, plan.size(), reading, sink);
  for (size_t i = 0; i < live.size(); ++i) accept(reading, plan[i], i, live[i]);
  // What a live log no longer begins with may be in a file copied aside
  // before it was cut.
  for (const auto& entry : reading.released) {
    reading.free.emplace(settled_.at(entry.first), entry.first);
  }

  const std::vector<Listing> listings = {listDirectory(root / kBusDir),
                                         listDirectory(root / kMetroDir)};
  std::vector<std::vector<std::string>> strays;
  std::vector<size_t> handOversEnd;  // by log: the end of its hand-over files in the plan
  const size_t firstHandOver = plan.size();
  for (const TripLogPlace& log : logs) {
    const Listing& listing = listings[log.dir == kBusDir ? 0 : 1];
    const LogFileNames files = classifyLogFiles(listing.names, log.name);
    const std::string dir = base + log.dir + "/";
    for (const std::string_view name : files.handOvers)
      plan.push_back({dir + std::string(name), false, handOversEnd.size()});
    handOversEnd.push_back(plan.size());
    strays.emplace_back();
    for (const std::string_view name : files.strays)
      strays.back().push_back(dir + std::string(name));
  }
  std::vector<FileRead> handOvers = readFiles(plan, firstHandOver, plan.size(), reading, sink);
  size_t file = firstHandOver;
  for (size_t log = 0; log < logs.size(); ++log) {
    for (; file < handOversEnd[log]; ++file) {
      accept(reading, plan[file], file, handOvers[file - firstHandOver]);
    }
    for (const std::string& path : strays[log]) {
      reportOnce("stray " + path,
                 "settlement: " + path +
                     " is neither a trip log nor a hand-over file; it is left alone and never "
                     "settled\n",
                 report);
    }
  }
  for (const auto& [identity, path] : reading.released) {
    if (reading.continued.count(identity)) continue;
    const ContentKey& key = settled_.at(identity);
    reportOnce("rewritten " + path + " " + formatContentKey(key),
               "settlement: " + path + " no longer begins with the " + std::to_string(key.length) +
                   " bytes settled of it (cut or rewritten): what it holds now is settled as "
                   "new, what was settled is not settled again\n",
               report);
  }
  // Entries of files not read are forgotten once no file of theirs is left.
  const bool allRead = std::all_of(settled_.begin(), settled_.end(), [&](const auto& entry) {
    return reading.readTo.count(entry.first) != 0;
  });
  if (!allRead) {
    if (const auto present = identitiesIn(listings)) {
      std::erase_if(reading.collected.cursor, [&](const auto& entry) {
        return !reading.readTo.count(entry.first) && !present->count(entry.first);
      });
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
  LogReading read(size_t, size_t file, int fd, off_t from, off_t freshFrom, off_t,
                  PrefixCheck& check) override {
    std::vector<std::pair<std::string, bool>>& reads = reads_[file];
    reads.clear();
    return readLogFrom(fd, from, [&](std::string_view read, off_t at) {
      check.add(read);
      reads.emplace_back(std::string(read), at >= freshFrom);
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

void LogCollection::archive(const std::vector<HandOverFile>& handOvers, const fs::path& archive,
                            long long cycle, const ProblemSink& report) {
  if (handOvers.empty()) return;
  // The archive is made ready once for all the files.
  const Result<void> ready = readyArchive(archive);
  for (const HandOverFile& handOver : handOvers) {
    const Result<void> moved = ready ? moveToArchive(handOver.path, archive, cycle) : ready;
    if (const Problem* problem = moved.problem()) {
      // It stays, settled to its end: no collection takes it again.
      reportOnce("archive " + handOver.path, archiveProblemText(handOver.path, *problem), report);
      continue;
    }
    settled_.erase(handOver.identity);
  }
}
