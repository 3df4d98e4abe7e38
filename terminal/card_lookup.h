// The card lookup: the last record of a card file and the record before it
// (or the terminal's default record when the file holds one record). Only
// the end of the file is read, backwards in blocks, so a lookup costs about
// the same on a long card history as on a short one. A line is a record
// whether or not it ends with a line feed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

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
};

// Opens `path` for reading and update (it must exist), reads its last two
// records under a shared flock (so no append is seen half-done) and closes
// it.
CardLookup lookUpCard(const std::string& path, std::string_view defaultRecord);

// Loads the card `cinfo.card` into cinfo (last record) and ocinfo (record
// before); prints "File open failed" or "Cardfile Read Error!" and returns
// false when the card cannot be loaded, so that the tap is dropped.
bool parser();
