// The card lookup: the last record of a card file and the record before it
// (or the terminal's default record when the file holds one record). Only
// the end of the file is read, backwards in blocks, so a lookup costs about
// the same on a long card history as on a short one. A line is a record
// whether or not it ends with a line feed.
//
// The lookup locks the card file and the lock is kept until the tap is
// recorded: two terminals tapping one card at once take turns, each
// deciding from the record the other appended, so no balance is charged
// twice from the same record.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/file_handle.h"
#include "terminal/card_info.h"

inline constexpr size_t kLookupBlockSize = 4096;

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
// bytes at first and twice as many each time more is needed; nullopt when
// reading fails.
std::optional<LastTwoLines> readLastTwoLines(int fd, size_t blockSize = kLookupBlockSize);

// The two records a tap is decided from; nullopt when there is no last
// record or a record to use splits into fewer than five columns.
struct CardRecords {
  CardInfo last;
  CardInfo before;
};
std::optional<CardRecords> cardRecords(const LastTwoLines& lines, std::string_view defaultRecord);

enum class LookupStatus { Found, OpenFailed, ReadError };
struct CardLookup {
  LookupStatus status = LookupStatus::ReadError;
  CardRecords records;
  // The card file, open for reading and exclusively flocked, while status
  // is Found: whoever holds it may append the tap's record knowing that no
  // terminal has changed the card since these records were read.
  FileDescriptor held;
};

// Opens `path` for reading only (it must exist and be a regular file; it is
// never created or changed here), takes an exclusive flock and reads its
// last two records.
CardLookup lookUpCard(const std::string& path, std::string_view defaultRecord);

// Loads the card `cinfo.card` into cinfo (last record) and ocinfo (record
// before) and returns the held card file, to be kept until the tap is
// finished; prints "File open failed" or "Cardfile Read Error!" and returns
// nullopt when the card cannot be loaded, so that the tap is dropped.
std::optional<FileDescriptor> parser();
