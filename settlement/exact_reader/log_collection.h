// What the settlement collects from a world's trip logs, and what of them
// has been settled, so that every record is settled exactly once, whatever
// becomes of the log and however often the settlement restarts.
//
// What was settled is known by content (content_check.h): a file, whatever
// its name or inode, is settled up to the longest settled content it
// begins with, and everything after that is fresh, to be settled by this
// cycle. So a copy, a rename, a restore or an identical rewrite settles
// nothing twice, and a log cut in place or rewritten begins with nothing
// settled and is taken from its first byte.
//
// A collection lists the hand-over files and reads them, then reads the
// six live logs from their start as they stand, then lists again and reads
// the hand-over files that appeared meanwhile (a live log handed over
// during the collection). Each file is checked against what was settled
// and against what the files before it in the same collection hold, so
// that two files that continue alike (a copy beside its log) are settled
// once. The collection's cursor becomes the settled one only once the
// cycle has been committed; until then its fresh records wait.
//
// A settled content that no file begins with any more is forgotten, unless
// some file could not be listed, opened or read this time. When the file
// it was read from is still there and holds something else, that is said
// once on standard error.
//
// Files may be read two at a time (the sink says how many), but everything
// decided about them is decided afterwards in collection order, so the
// outcome is the one of reading them one after another.
#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "common/formats/settlement_book.h"
#include "common/formats/trip_log_reading.h"

struct HandOverFile {
  std::string path;     // root/Bus/busfile.txt.7
  ContentKey key;       // what it was settled to
  bool shared = false;  // another file of its collection ended with the same content
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
  // the log's size when it was opened. Every taken read goes to `check`
  // as well, in file order.
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
  // log, and a file cut below what was settled of it, once per run.
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
  // The content of a moved file is forgotten unless another file of the
  // collection ended with the same content.
  void archive(const std::vector<HandOverFile>& handOvers, const std::filesystem::path& archive,
               long long cycle, const ProblemSink& report);

  const SettledCursor& settled() const { return settled_; }

 private:
  struct Planned;
  struct FileRead;
  struct Reading;

  // Reads one planned file, checked against the contents `known`.
  FileRead readFile(const Planned& planned, size_t file, size_t thread,
                    std::span<const ContentKey> known, CollectionSink& sink) const;
  // Reads planned files [begin, end), two at a time when it pays.
  void readFiles(Reading& reading, const std::vector<Planned>& plan, size_t begin, size_t end);
  // Takes one read into the collection, in collection order.
  void accept(Reading& reading, const Planned& planned, size_t file, FileRead& read);
  // What the collection's cursor keeps of the settled one, and what is said
  // about contents no file begins with any more.
  void finish(Reading& reading);

  // Reports `line` unless a line about `about` was reported before.
  void reportOnce(const std::string& about, const std::string& line, const ProblemSink& report);

  SettledCursor settled_;
  std::set<std::string> reported_;
};

// "settlement: cannot read <path> (<why>)" for the error `error`.
std::string unreadableLogText(const std::filesystem::path& path, int error);
