// What the settlement collects from a world's trip logs, and how far each
// log has been settled, so that every record is settled exactly once,
// whatever becomes of the log and however often the settlement restarts.
//
// Every collection reads the six live logs from their start, as they stand
// (a block covers everything in them at that moment), and then every
// hand-over file beside them. A hand-over file is the same file as the live
// log it was (a rename keeps its identity): it is read from where settling
// reached, so only its unsettled tail is collected. A file the cursor knows,
// that still begins with what was decided of it, is settled that far and
// every byte it gained since is fresh: a log grows only by its terminal's
// taps.
//
// Any other file (one the cursor does not know: a new log, a copy, a
// restore, an archived file brought back; or one that no longer begins
// with what was decided of it) is placed against everything settled
// (common/formats/log_placement.h): the lines that copy settled ones are
// passed, the lines that cannot be told from settled ones are held and
// said once on standard error, the rest are fresh. A file whose first line
// is later than every stream's frontier is new at once. The collection's
// cursor and frontiers become the settled ones only once the cycle has been
// committed; until then its fresh records wait.
//
// A cursor entry leaves the cursor only once its file is gone from Bus/ and
// Metro/, and then as a piece of the ledger (settlement_ledger.h), which
// the settlement writes before it commits the cursor without it: a file that
// merely cannot be opened right now keeps its entry, or it would be settled
// again later.
//
// Files may be read two at a time (the sink says how many), but everything
// decided about them is decided afterwards in collection order, so the
// outcome is the one of reading them one after another.
#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/formats/log_placement.h"
#include "common/formats/settlement_book.h"
#include "common/formats/settlement_ledger.h"
#include "common/formats/trip_log_reading.h"

struct HandOverFile {
  std::string path;  // root/Bus/busfile.txt.7
  FileIdentity identity;
};

// One collection: the hand-over files it read that may be archived once
// settled (not those holding lines held), the cursor and frontiers once its
// fresh reads are settled, the entries it found gone from the log
// directories, and the files whose reads it collected, by number, in
// collection order.
struct Collected {
  std::vector<HandOverFile> handOvers;
  SettledCursor cursor;
  Frontiers frontiers;
  std::vector<LedgerPiece> leaving;
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
  // gave; a read that begins at `freshFrom` or later is fresh unless it
  // begins in one of the stretches `passed` (in file order). `bytes` is the
  // log's size when it was opened.
  // Every taken read goes to `check` as well, in file order.
  virtual LogReading read(size_t thread, size_t file, int fd, off_t from, off_t freshFrom,
                          std::span<const PassedStretch> passed, off_t bytes,
                          PrefixCheck& check) = 0;
};

// Receives every taken read, and whether it is fresh.
using CollectedReadSink = std::function<void(std::string_view read, bool fresh)>;

// Receives one line for standard error.
using ProblemSink = std::function<void(const std::string&)>;

class LogCollection {
 public:
  explicit LogCollection(SettledCursor settled = {}, Frontiers frontiers = {},
                         std::vector<LedgerPiece> ledger = {})
      : settled_(std::move(settled)),
        frontiers_(std::move(frontiers)),
        ledger_(std::move(ledger)) {}

  // One collection under the world's `root`: the live logs, then the
  // hand-over files (by log, oldest first), read into `sink`. A log that
  // exists but cannot be read is reported every time; a stray file beside a
  // log, a file that no longer begins with what was settled of it, and
  // lines held, once per run.
  Collected collect(const std::filesystem::path& root, CollectionSink& sink,
                    const ProblemSink& report);

  // The same collection, every taken read handed to `take` in collection
  // order, on the calling thread.
  Collected collect(const std::filesystem::path& root, const CollectedReadSink& take,
                    const ProblemSink& report);

  // The collection's cycle is committed: its cursor and frontiers are the
  // settled ones, and the entries that left are pieces of the ledger.
  void settle(const Collected& collected);

  // Moves the hand-over files of a committed cycle into `archive`. A file
  // that cannot be moved is reported once and stays where it is, settled.
  // The files moved, as pieces of the ledger (paths from `root`).
  std::vector<LedgerPiece> archive(const std::vector<HandOverFile>& handOvers,
                                   const std::filesystem::path& root,
                                   const std::filesystem::path& archive, long long cycle,
                                   const ProblemSink& report);

  // The pieces are in the ledger: their entries leave the cursor.
  void forget(std::span<const LedgerPiece> pieces);

  const SettledCursor& settled() const { return settled_; }
  const Frontiers& frontiers() const { return frontiers_; }
  const std::vector<LedgerPiece>& ledger() const { return ledger_; }

 private:
  struct Planned;
  struct FileRead;
  struct Reading;

  // Reads one planned file; a hand-over file from where settling or the
  // reads of `reading` reached.
  FileRead readFile(const Planned& planned, size_t file, size_t thread, const Reading& reading,
                    CollectionSink& sink) const;
  // Reads planned files [begin, end), two at a time when it pays.
  std::vector<FileRead> readFiles(const std::vector<Planned>& plan, size_t begin, size_t end,
                                  const Reading& reading, CollectionSink& sink) const;
  // Places a file the cursor cannot settle by itself, reading it again
  // when some of its lines are passed.
  void place(Reading& reading, const Planned& planned, size_t file, FileRead& read);
  // Takes one read into the collection, in collection order.
  void accept(Reading& reading, const Planned& planned, size_t file, FileRead& read);

  // Reports `line` unless a line about `about` was reported before.
  void reportOnce(const std::string& about, const std::string& line, const ProblemSink& report);

  SettledCursor settled_;
  Frontiers frontiers_;
  std::vector<LedgerPiece> ledger_;
  std::set<std::string> reported_;
};

// "settlement: cannot read <path> (<why>)": what stood at its name (a link,
// no regular file), or the problem itself.
std::string unreadableLogText(const std::filesystem::path& path, const Problem& problem);
