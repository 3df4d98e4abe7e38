// The card lookup: the last record of a card file and the record before it
// (or the terminal's default record when the file holds one record). Only
// the end of the file is read, backwards in blocks, so a lookup costs about
// the same on a long card history as on a short one. A line is a record
// whether or not it ends with a line feed. A record longer than
// kCardRecordMaxBytes is a read error: no terminal writes one, and refusing
// it keeps the lookup from reading back without end through a damaged file.
//
// The lookup locks the card file and hands the lock over with the tap in
// card_lock: two terminals tapping one card at once take turns, each
// deciding from the record the other appended, so no balance is charged
// twice from the same record. The lock is released as soon as the tap's
// records are written or the tap is refused, before any of its console
// output, so a terminal whose console is not read holds no card.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/file_handle.h"
#include "common/file_identity.h"
#include "terminal/card_info.h"

inline constexpr size_t kLookupBlockSize = 4096;
// The longest record the lookup takes, its line feed included. The
// terminals write records of some 35 bytes.
inline constexpr size_t kCardRecordMaxBytes = 4096;

// The last line of a file and the line before it, each with its line feed
// when it has one; both absent for an empty file.
struct LastTwoLines {
  std::optional<std::string> last;
  std::optional<std::string> before;
};

// The last two lines of `tail`, the end of a file. When `wholeFile` is
// false, a line that reaches the start of `tail` may begin earlier in the
// file: then nullopt says that more of the file is needed.
std::optional<LastTwoLines> lastTwoLines(std::string_view tail, bool wholeFile);

// Reads the last two lines of the open file `fd` from its end, `blockSize`
// bytes at first and twice as many each time more is needed, but never more
// than two lines of `maxLine` bytes and the line feed before them; nullopt
// when reading fails or either line is longer than `maxLine`.
std::optional<LastTwoLines> readLastTwoLines(int fd, size_t blockSize = kLookupBlockSize,
                                             size_t maxLine = kCardRecordMaxBytes);
// The same for the first `end` bytes of the file.
std::optional<LastTwoLines> lastTwoLinesBefore(int fd, off_t end,
                                               size_t blockSize = kLookupBlockSize,
                                               size_t maxLine = kCardRecordMaxBytes);

// The two records a tap is decided from; nullopt when there is no last
// record or a record to use splits into fewer than five columns.
struct CardRecords {
  CardInfo last;
  CardInfo before;
};
std::optional<CardRecords> cardRecords(const LastTwoLines& lines, std::string_view defaultRecord);

// The card file of a tap, open for reading and exclusively flocked: whoever
// holds it may append the tap's record knowing that no terminal has changed
// the card since its records were read. `asRead` is the file as the records
// were read from it: before appending, the writer checks that the card's
// name still stands for that file, unwritten since, as a tool that ignores
// the lock may have replaced, removed, cut or rewritten it.
struct HeldCard {
  FileDescriptor file;
  FileState asRead;
};

enum class LookupStatus { Found, OpenFailed, ReadError };
struct CardLookup {
  LookupStatus status = LookupStatus::ReadError;
  CardRecords records;
  HeldCard held;  // while status is Found
};

// Opens `path` for reading only (it must exist and be a regular file, not
// a link; it is never created or changed here), takes an exclusive flock
// and reads its last two records.
CardLookup lookUpCard(const std::string& path, std::string_view defaultRecord);

// Loads the card `cinfo.card` into cinfo (last record) and ocinfo (record
// before), its held card file into card_lock, and returns true; prints
// "File open failed" or "Cardfile Read Error!" and returns false when the
// card cannot be loaded, so that the tap is dropped.
bool parser();

// Ends the hold on the card of the tap in hand (card_lock); nothing when
// none is held.
void releaseCard();
