#include "settlement/exact_reader/log_collection.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <optional>
#include <set>
#include <thread>

#include "common/files/file_handle.h"
#include "common/files/world_layout.h"
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
  Listing listing{dir, {}, true};
  std::error_code error;
  fs::directory_iterator it(dir, error);
  if (error == std::errc::no_such_file_or_directory) return listing;
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    listing.names.push_back(it->path().filename().string());
  }
  listing.complete = !error;
  return listing;
}

off_t lengthAt(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0 ? status.st_size : 0;
}

}  // namespace

struct LogCollection::Planned {
  std::string path;
  std::string name;  // under the root: "Bus/busfile.txt"
  bool live = false;
  size_t log = 0;  // which of the six logs it is or was
};

struct LogCollection::FileRead {
  bool opened = false;
  int openError = 0;
  bool decided = true;              // false: the file changed under every read of it
  off_t size = 0;                   // when opened
  std::optional<ContentKey> begun;  // the longest known content it begins with
  ContentKey key;                   // what it holds up to the end of its read
  std::vector<ContentKey> known;    // what it was checked against
  LogReading reading;
  int readError = 0;
};

// One collection in progress.
struct LogCollection::Reading {
  CollectionSink& sink;
  const ProblemSink& report;
  Collected collected;
  std::vector<ContentKey> known;  // settled, and taken by this collection; sorted
  std::set<ContentKey> matched;   // settled contents some file began with
  std::set<std::string> names;    // the files read
  std::map<ContentKey, int> endings;
  bool complete = true;  // every file was listed, opened and read
  std::string root;      // the world's root, ending in a slash
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

// A file read anew when it changed between finding what it begins with
// and reading it, at most this many times.
constexpr int kReadTries = 3;
}  // namespace

LogCollection::FileRead LogCollection::readFile(const Planned& planned, size_t file, size_t thread,
                                                std::span<const ContentKey> known,
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
  read.known.assign(known.begin(), known.end());
  for (int tries = 0; tries < kReadTries; ++tries) {
    read.size = static_cast<off_t>(state->size);
    const std::optional<PrefixCheck> begins = fileBeginning(fd.get(), known);
    if (!begins) {
      read.reading.failed = true;
      read.readError = errno;
      return read;
    }
    read.begun = begins->matched();
    const off_t begun = read.begun ? read.begun->length : 0;
    // A live log is read whole, its beginning checked again on the way: a
    // log rewritten since is read anew. A hand-over file is read on from
    // where it was settled.
    std::vector<ContentKey> again;
    if (planned.live && read.begun) again.push_back(*read.begun);
    PrefixCheck check(planned.live ? ContentHash{} : begins->hashAtMatch(), again);
    read.reading =
        sink.read(thread, file, fd.get(), planned.live ? 0 : begun, begun, read.size, check);
    if (read.reading.failed) read.readError = errno;
    read.key = check.key();
    if (!planned.live || !read.begun || check.matched() == read.begun) return read;
  }
  read.decided = false;
  return read;
}

void LogCollection::readFiles(Reading& reading, const std::vector<Planned>& plan, size_t begin,
                              size_t end) {
  CollectionSink& sink = reading.sink;
  sink.expectFiles(end);
  std::vector<FileRead> reads(end - begin);
  bool twoThreads = sink.readingThreads() > 1 && end - begin > 1;
  if (twoThreads && end - begin < kTwoThreadsFromFiles) {
    off_t bytes = 0;
    for (size_t i = begin; i < end; ++i) bytes += lengthAt(plan[i].path);
    twoThreads = bytes >= kTwoThreadsFromBytes;
  }
  const std::vector<ContentKey> known = reading.known;
  std::atomic<size_t> next{begin};
  const auto work = [&](size_t thread) {
    for (size_t i; (i = next.fetch_add(1)) < end;) {
      reads[i - begin] = readFile(plan[i], i, thread, known, sink);
    }
  };
  std::thread helper;
  if (twoThreads) helper = std::thread(work, 1);
  work(0);
  if (helper.joinable()) helper.join();
  for (size_t i = begin; i < end; ++i) accept(reading, plan[i], i, reads[i - begin]);
}

void LogCollection::accept(Reading& reading, const Planned& planned, size_t file, FileRead& read) {
  // A file read beside another of the same batch is read again when that
  // one's content is one this file may begin with.
  if (read.opened && read.known != reading.known) {
    const off_t begun = read.begun ? read.begun->length : 0;
    const bool mayBegin = std::any_of(reading.known.begin(), reading.known.end(), [&](auto& key) {
      return key.length > begun && key.length <= read.size &&
             !std::binary_search(read.known.begin(), read.known.end(), key);
    });
    if (mayBegin) read = readFile(planned, file, 0, reading.known, reading.sink);
  }
  const std::string& path = planned.path;
  if (!read.opened) {
    if (read.openError != ENOENT) {
      reading.report(unreadableLogText(path, read.openError));
      reading.complete = false;
    }
    return;
  }
  reading.names.insert(planned.name);
  if (read.reading.failed) {
    reading.report(unreadableLogText(path, read.readError));
    reading.complete = false;
  }
  if (!read.decided) {
    // Rewritten under every read: nothing of it is taken this time.
    reading.complete = false;
    return;
  }
  SettledCursor& cursor = reading.collected.cursor;
  if (read.begun) {
    if (settled_.count(*read.begun)) reading.matched.insert(*read.begun);
    // What this file continues is now known by this file's name.
    if (const auto held = cursor.find(*read.begun); held != cursor.end())
      held->second = planned.name;
  }
  if (read.key.length > 0) {
    cursor.emplace(read.key, planned.name);
    ++reading.endings[read.key];
    const auto at = std::lower_bound(reading.known.begin(), reading.known.end(), read.key);
    if (at == reading.known.end() || *at != read.key) reading.known.insert(at, read.key);
  }
  if (!planned.live) reading.collected.handOvers.push_back({planned.path, read.key});
  reading.collected.files.push_back(file);
}

void LogCollection::finish(Reading& reading) {
  SettledCursor& cursor = reading.collected.cursor;
  for (const auto& [key, name] : settled_) {
    if (reading.matched.count(key) || cursor.count(key)) continue;
    if (!reading.complete) {
      cursor.emplace(key, name);
    } else if (reading.names.count(name)) {
      const std::string path = reading.root + name;
      reportOnce("rewritten " + name + " " + formatContentKey(key),
                 "settlement: " + path + " no longer begins with the " +
                     std::to_string(key.length) +
                     " bytes settled of it (cut or rewritten): what it holds now is settled as "
                     "new, what was settled is not settled again\n",
                 reading.report);
    }
  }
  for (HandOverFile& handOver : reading.collected.handOvers)
    handOver.shared = reading.endings[handOver.key] > 1;
}

Collected LogCollection::collect(const fs::path& root, CollectionSink& sink,
                                 const ProblemSink& report) {
  // Paths as root / dir / name would give them, built by concatenation.
  const std::string base = (root / "").string();
  Reading reading{sink, report, {}, {}, {}, {}, {}, true, base};
  for (const auto& entry : settled_) reading.known.push_back(entry.first);
  const std::array<TripLogPlace, 6>& logs = collectedTripLogs();
  std::vector<Planned> plan;
  std::set<std::string> planned;
  std::vector<std::string> strays;
  // The hand-over files of every log, by log, oldest first, that are not
  // planned yet.
  const auto planHandOvers = [&] {
    const std::vector<Listing> listings = {listDirectory(root / kBusDir),
                                           listDirectory(root / kMetroDir)};
    for (const Listing& listing : listings) reading.complete &= listing.complete;
    for (size_t index = 0; index < logs.size(); ++index) {
      const TripLogPlace& log = logs[index];
      const Listing& listing = listings[log.dir == kBusDir ? 0 : 1];
      const LogFileNames files = classifyLogFiles(listing.names, log.name);
      const std::string dir = std::string(log.dir) + "/";
      for (const std::string_view name : files.handOvers) {
        const std::string named = dir + std::string(name);
        if (planned.insert(named).second) plan.push_back({base + named, named, false, index});
      }
      for (const std::string_view name : files.strays)
        strays.push_back(base + dir + std::string(name));
    }
  };
  planHandOvers();
  readFiles(reading, plan, 0, plan.size());
  const size_t firstLive = plan.size();
  for (size_t index = 0; index < logs.size(); ++index) {
    const std::string named = std::string(logs[index].dir) + "/" + logs[index].name;
    plan.push_back({base + named, named, true, index});
  }
  readFiles(reading, plan, firstLive, plan.size());
  const size_t handedOverMeanwhile = plan.size();
  planHandOvers();
  readFiles(reading, plan, handedOverMeanwhile, plan.size());
  for (const std::string& path : strays) {
    reportOnce("stray " + path,
               "settlement: " + path +
                   " is neither a trip log nor a hand-over file; it is left alone and never "
                   "settled\n",
               report);
  }
  finish(reading);
  // The records are taken as if the live logs had been read first, then
  // the hand-over files by log, oldest first.
  std::stable_sort(reading.collected.files.begin(), reading.collected.files.end(),
                   [&](size_t a, size_t b) {
                     return std::make_pair(!plan[a].live, plan[a].log) <
                            std::make_pair(!plan[b].live, plan[b].log);
                   });
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
  const std::optional<Problem> unusable = openArchive(archive);
  for (const HandOverFile& handOver : handOvers) {
    const std::optional<Problem> problem =
        unusable ? unusable : archiveHandOver(handOver.path, archive, cycle);
    if (problem) {
      // It stays, settled to its end: no collection takes it again.
      reportOnce("archive " + handOver.path, archiveProblemText(handOver.path, *problem), report);
      continue;
    }
    if (!handOver.shared) settled_.erase(handOver.key);
  }
}
