// What the settlement collects from a world's trip logs, and how far each
// log has been settled, so that every record is settled exactly once,
// whatever becomes of the log and however often the settlement restarts.
//
// Every collection reads the six live logs from their start, as they stand
// (a block covers everything in them at that moment), and then every
// hand-over file beside them. A hand-over file is the same file as the live
// log it was (a rename keeps its identity): it is read from where settling
// reached, so only its unsettled tail is collected. A read is fresh, to be
// settled by this cycle, when it lies at or beyond what was settled of its
// file. The collection's cursor becomes the settled one only once the cycle
// has been committed; until then its fresh records wait.
//
// What was settled of a file is a length and a hash of its bytes up to
// there (settlement_book.h). A file that no longer begins with those bytes
// (cut in place, rewritten) is taken from its first byte, and that is said
// once. A file the cursor does not know (a copied or restored world, a log
// rewritten under a new inode, a log copied aside before it was cut) is
// settled as far as a settled content it begins with whose own file is no
// longer in Bus/ or Metro/, or holds it no more: a file still there keeps
// its bytes, so that a new log that happens to begin alike is new. A
// hand-over file the cursor does not know, beside a live log that began
// with what was settled of it, is a copy of that log (not yet cut, or an
// older copy put back): the whole lines they begin with alike are settled
// once, by the log.
//
// A cursor entry is forgotten only once its file is archived or no longer
// exists anywhere in Bus/ or Metro/: a file that merely cannot be opened
// right now keeps it, or it would be settled again later.
//
// Files may be read two at a time (the sink says how many), but everything
// decided about them is decided afterwards in collection order, so the
// outcome is the one of reading them one after another. Bus/ and Metro/ are
// each listed at most twice per collection.
#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/formats/settlement_book.h"
#include "common/formats/trip_log_reading.h"

struct HandOverFile {
  std::string path;  // root/Bus/busfile.txt.7
  FileIdentity identity;
};

// One collection: the hand-over files it read, the cursor once its fresh
// reads are settled, and the files whose reads it collected, by number, in
// collection order.
struct Collected {
  std::vector<HandOverFile> handOvers;
  SettledCursor cursor;
  std::vector<size_t> files;
};

// Where a collection's reads go. The files of a collection are numbered in
// collection order; a file is read whole by one reading thread.
class CollectionSink {
 public:
  virtual ~CollectionSink() = default;
  // How many files may be read at once, each on its own thread.
  virtual size_t readingThreads() const = 0;
  // Files numbered below `files` are coming; called between readings only.
  virtual void expectFiles(size_t files) = 0;
  // Reads the open log `fd` as file `file` on reading thread `thread`, from
  // `from` to its end, in place of whatever an earlier read of that file
  // gave; a read that begins at `freshFrom` or later is fresh. `bytes` is
  // the log's size when it was opened.
  // Every taken read goes to `check` as well, in file order.
  virtual LogReading read(size_t thread, size_t file, int fd, off_t from, off_t freshFrom,
                          off_t bytes, PrefixCheck& check) = 0;
};

// Receives every taken read, and whether it is fresh.
using CollectedReadSink = std::function<void(std::string_view read, bool fresh)>;

// Receives one line for standard error.
using ProblemSink = std::function<void(const std::string&)>;

class LogCollection {
 public:
  explicit LogCollection(SettledCursor settled = {}) : settled_(std::move(settled)) {}

  // One collection under the world's `root`: the live logs, then the
  // hand-over files (by log, oldest first), read into `sink`. A log that
  // exists but cannot be read is reported every time; a stray file beside a
  // log, and a file that no longer begins with what was settled of it, once
  // per run.
  Collected collect(const std::filesystem::path& root, CollectionSink& sink,
                    const ProblemSink& report);

  // The same collection, every taken read handed to `take` in collection
  // order, on the calling thread.
  Collected collect(const std::filesystem::path& root, const CollectedReadSink& take,
                    const ProblemSink& report);

  // The collection's cycle is committed: its cursor is the settled one.
  void settle(SettledCursor cursor) { settled_ = std::move(cursor); }

  // Moves the hand-over files of a committed cycle into `archive`. A file
  // that cannot be moved is reported once and stays where it is, settled.
  void archive(const std::vector<HandOverFile>& handOvers, const std::filesystem::path& archive,
               long long cycle, const ProblemSink& report);

  const SettledCursor& settled() const { return settled_; }

 private:
  struct Planned;
  struct FileRead;
  struct Reading;
  struct LiveRead;

  // Reads one planned file; a hand-over file from where settling or the
  // reads of `reading` reached.
  FileRead readFile(const Planned& planned, size_t file, size_t thread, const Reading& reading,
                    CollectionSink& sink) const;
  // A hand-over file the cursor does not know that is a copy of its live
  // log as this collection read it (a log copied aside and not yet cut, or
  // an older copy of it put back): the hash of the whole lines they begin
  // with alike, when there are any. Those bytes the log settles.
  std::optional<ContentHash> copiedFromLive(int fd, const Planned& planned,
                                            const Reading& reading) const;
  // Reads planned files [begin, end), two at a time when it pays.
  std::vector<FileRead> readFiles(const std::vector<Planned>& plan, size_t begin, size_t end,
                                  const Reading& reading, CollectionSink& sink) const;
  // Takes one read into the collection, in collection order.
  void accept(Reading& reading, const Planned& planned, size_t file, FileRead& read);

  // Reports `line` unless a line about `about` was reported before.
  void reportOnce(const std::string& about, const std::string& line, const ProblemSink& report);

  SettledCursor settled_;
  std::set<std::string> reported_;
};

// "settlement: cannot read <path> (<why>)" for the error `error`.
std::string unreadableLogText(const std::filesystem::path& path, int error);
