// Which pieces of a trip log a collection takes. A log is read as a run of
// reads of at most kLogReadMax characters, each stopping after a line feed;
// a read is taken only when it did not run into the end of the file. So a
// last line without its line feed (one a terminal is still writing) is left
// for a later collection, and a longer line arrives in pieces.
//
// Logs are read in blocks, never whole: memory stays at one block whatever
// a log's size.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "settlement/settlement_constants.h"

// The length of the read that starts at the beginning of `rest`; nullopt
// when it would run into the end of `rest` (fewer than kLogReadMax
// characters and no line feed among them).
std::optional<size_t> nextLogRead(std::string_view rest);

using LogLineSink = std::function<void(std::string_view)>;

struct LogReading {
  off_t end = 0;        // offset just past the last taken read
  bool failed = false;  // a read of the file failed before its end
};

// Reads the open log `fd` from byte `from` to its end and hands every taken
// read to `take`, in file order.
LogReading readLogFrom(int fd, off_t from, const LogLineSink& take);

// The taken reads of a log whose whole content is `content`.
std::vector<std::string_view> completeLogLines(std::string_view content);
