// What the settlement knows of every line it has settled, beyond the file
// that held it, so that a line a restore or a copy brings back is not
// settled again, and a line it cannot tell from a settled one is held, not
// guessed.
//
// The evidence is the minute every line carries: each terminal appends its
// lines in time order and the clock never runs back, so a line of a stream
// (one terminal's live log and its hand-over files) older than the latest
// minute settled of that stream (its frontier) was written before it: it is
// settled already, unless the stream's settled lines, which the archive and
// the live logs still hold, show it is not. Only at the frontier minute
// itself can a new line look exactly like a settled one (a terminal
// restarted while the clock stood, tapped the same way); such a line is a
// copy only where the file says so (it is the settled file itself, it was
// last written before that line was settled, or it was made after the
// clock had moved past that minute), and is held otherwise. A later minute
// is new.
//
// Plain values only: the collector and the audit feed it what they read.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/files/file_identity.h"

// The minute of a time text, comparable across days, months and years
// (the hour 24 of the last tick of a day included); nullopt when the text
// is no time text of digits.
std::optional<int64_t> minuteOf(std::string_view timeText);

// A line of a trip log as the ledger knows it: its minute and the hash of
// its bytes, line feed included.
struct LedgerLine {
  std::optional<int64_t> minute;
  uint64_t hash = 0;
  bool operator==(const LedgerLine&) const = default;
};

// The ledger's view of one read of a trip log (common/formats/trip_log_reading.h).
LedgerLine ledgerLine(std::string_view read);

// Lines of a stream's frontier minute that one collection took from one
// file, settled or held, and when that collection began reading (in
// nanoseconds of the real-time clock).
struct FrontierGroup {
  FileIdentity source;
  int64_t readAt = 0;
  bool held = false;
  std::vector<uint64_t> hashes;
  bool operator==(const FrontierGroup&) const = default;
};

// The latest minute settled of a stream, its lines, and since when no
// terminal can write that minute any more (the clock file had moved past
// it): 0 while that is not known. A frontier keeps at most
// kFrontierLinesKept lines; `full` says it had more, so a line of its
// minute it does not hold may still be a settled one.
struct Frontier {
  int64_t minute = 0;
  int64_t closedAt = 0;
  bool full = false;
  std::vector<FrontierGroup> groups;
  bool operator==(const Frontier&) const = default;
};

inline constexpr size_t kFrontierLinesKept = 1024;

// By stream: the name of its live log ("busfile.txt", "Metrofile0.txt").
using Frontiers = std::map<std::string, Frontier>;

// The file system's times are coarser than the clock they are compared
// with: a time counts as before another only by this much.
inline constexpr int64_t kFileTimeSlackNs = 20'000'000;

// What a file says of itself when its lines are placed.
struct FileEvidence {
  FileIdentity identity;
  int64_t modifiedAt = 0;  // its last change, nanoseconds
};

// What becomes of a line: a copy of one settled (or held) already, new, or
// held until a person says which it is.
enum class LineFate : uint8_t { kCopy, kNew, kHeld };

// The settled lines of a stream older than its frontier, as far as the
// archive and the live logs still hold them.
class OlderLines {
 public:
  virtual ~OlderLines() = default;
  // Whether a settled line with this minute and hash is still unclaimed by
  // the file being placed; claims it when it is.
  virtual bool claim(int64_t minute, uint64_t hash) = 0;
  // Whether settled lines of this minute are no longer there to compare
  // with (a file of them removed, cut or cleaned out of the archive).
  virtual bool gapAt(int64_t minute) const = 0;
};

// A line to place, and whether its bytes are known to be a copy of settled
// bytes (the file begins like a settled file up to past this line).
struct LineToPlace {
  LedgerLine line;
  bool knownCopy = false;
};

// The fate of each line of a file of a stream whose frontier is `frontier`
// (null when nothing of the stream was ever settled), in file order.
std::vector<LineFate> placeLines(std::span<const LineToPlace> lines, const Frontier* frontier,
                                 const FileEvidence& file, OlderLines& older);

// Adds lines a cycle settled (or held) of `stream` from the file `source`,
// read at `readAt`, to the stream's frontier: the frontier moves on to the
// latest minute among them, and holds the lines of that minute.
void advanceFrontier(Frontiers& frontiers, const std::string& stream,
                     std::span<const LedgerLine> lines, const FileIdentity& source, int64_t readAt,
                     bool held);
