// What the settlement collects from a world's trip logs, and how far each
// log has been settled, so that every record is settled exactly once,
// whatever becomes of the log and however often the settlement restarts.
//
// Every collection reads the six live logs from their start, as they stand
// (a block covers everything in them at that moment), and then every
// hand-over file beside them. A hand-over file is the same file as the live
// log it was (a rename keeps its identity): it is read from where settling
// reached, so only its unsettled tail is collected. A read is fresh, to be
// settled by this cycle, when it lies at or beyond the settled cursor of its
// file. The collection's cursor becomes the settled one only once the cycle
// has been committed; until then its fresh records wait.
//
// A cursor entry is forgotten only once its file is archived or no longer
// exists anywhere in Bus/ or Metro/: a file that merely cannot be opened
// right now keeps it, or it would be settled again later.
#pragma once

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/settlement_book.h"
#include "common/trip_log_reading.h"

struct HandOverFile {
  std::filesystem::path path;  // root/Bus/busfile.txt.7
  FileIdentity identity;
};

// One collection: the hand-over files it read, and the cursor once its
// fresh reads are settled.
struct Collected {
  std::vector<HandOverFile> handOvers;
  SettledCursor cursor;
};

// Receives every taken read, and whether it is fresh.
using CollectedReadSink = std::function<void(std::string_view read, bool fresh)>;

// Receives one line for standard error.
using ProblemSink = std::function<void(const std::string&)>;

class LogCollection {
 public:
  explicit LogCollection(SettledCursor settled = {}) : settled_(std::move(settled)) {}

  // One collection under the world's `root`: every taken read of the live
  // logs, then of the hand-over files (by log, oldest first), goes to
  // `take`. A log that exists but cannot be read is reported every time; a
  // stray file beside a log, and a file cut below what was settled of it,
  // once per run.
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
  // Reports `line` unless a line about `about` was reported before.
  void reportOnce(const std::string& about, const std::string& line, const ProblemSink& report);

  SettledCursor settled_;
  std::set<std::string> reported_;
};

// "settlement: cannot read <path> (<why>)" for the error `error`.
std::string unreadableLogText(const std::filesystem::path& path, int error);
