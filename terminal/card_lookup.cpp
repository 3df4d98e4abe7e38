#include "terminal/card_lookup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace {

// Start of the line that ends at `end` (its line feed, if any, at end - 1);
// npos when the line may begin before `text`.
size_t lineStart(std::string_view text, size_t end, bool wholeFile) {
  const size_t feed = end >= 2 ? text.rfind('\n', end - 2) : std::string_view::npos;
  if (feed != std::string_view::npos) return feed + 1;
  return wholeFile ? 0 : std::string_view::npos;
}

bool readAt(int fd, std::string& into, off_t offset) {
  size_t done = 0;
  while (done < into.size()) {
    const ssize_t n =
        pread(fd, into.data() + done, into.size() - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

TailReading verdict(TailVerdict v) {
  return {v, {}};
}

// The records from the lines that matter, newest first: every line back to
// and including the second that is no top-up (or to the file's start).
TailReading recordsOf(const std::vector<std::string_view>& newestFirst, size_t taps,
                      std::string_view defaultRecord) {
  size_t lastTap = 0;
  while (isTopUp(newestFirst[lastTap])) ++lastTap;
  std::optional<CardInfo> last = parseRecord(newestFirst[lastTap]);
  std::optional<CardInfo> before = parseRecord(taps == 2 ? newestFirst.back() : defaultRecord);
  if (!last || !before) return verdict(TailVerdict::Unreadable);
  TailReading reading{TailVerdict::Found, {}};
  CardRecords& records = reading.records;
  // In file order from the record before: each top-up credits what it adds
  // to the balance of the line before it.
  long long balance = before->balance;
  const size_t oldest = taps == 2 ? newestFirst.size() - 1 : newestFirst.size();
  for (size_t i = oldest; i-- > 0;) {
    const int lineBalance = recordAmount(splitRecord(newestFirst[i])->amount);
    if (isTopUp(newestFirst[i])) records.credited += lineBalance - balance;
    balance = lineBalance;
  }
  last->balance = static_cast<int>(balance);
  records.last = std::move(*last);
  records.before = std::move(*before);
  return reading;
}

}  // namespace

TailReading readCardTail(std::string_view tail, bool wholeFile, std::string_view defaultRecord,
                         size_t maxLine) {
  if (tail.empty()) return verdict(wholeFile ? TailVerdict::Unreadable : TailVerdict::NeedMore);
  std::vector<std::string_view> newestFirst;
  size_t taps = 0;
  for (size_t end = tail.size(); end > 0 && taps < 2;) {
    const size_t start = lineStart(tail, end, wholeFile);
    if (start == std::string_view::npos) {
      // Part of a line: more is needed, unless it is already too long.
      return verdict(end > maxLine ? TailVerdict::Unreadable : TailVerdict::NeedMore);
    }
    const std::string_view line = tail.substr(start, end - start);
    if (line.size() > maxLine) return verdict(TailVerdict::Unreadable);
    newestFirst.push_back(line);
    if (!isTopUp(line)) ++taps;
    end = start;
  }
  if (taps == 0) return verdict(TailVerdict::Unreadable);
  TailReading reading = recordsOf(newestFirst, taps, defaultRecord);
  reading.records.endsWithLineFeed = tail.back() == '\n';
  return reading;
}

std::optional<CardRecords> readCardRecords(int fd, off_t size, std::string_view defaultRecord,
                                           size_t blockSize, size_t maxLine) {
  const off_t reach = static_cast<off_t>(lookupReach(maxLine));
  const off_t stop = size > reach ? size - reach : 0;
  off_t start = size;
  std::string tail;
  off_t block = static_cast<off_t>(blockSize > 0 ? blockSize : 1);
  for (;;) {
    const off_t from = start - stop > block ? start - block : stop;
    std::string chunk(static_cast<size_t>(start - from), '\0');
    if (!readAt(fd, chunk, from)) return std::nullopt;
    tail.insert(0, chunk);
    start = from;
    const TailReading reading = readCardTail(tail, start == 0, defaultRecord, maxLine);
    if (reading.verdict == TailVerdict::Found) return reading.records;
    if (reading.verdict == TailVerdict::Unreadable || start == stop) return std::nullopt;
    block *= 2;
  }
}

CardLookup lookUpCard(const std::string& path, std::string_view defaultRecord) {
  CardLookup lookup;
  bool writable = true;
  FileDescriptor file = openRegularFile(path, O_RDWR | O_APPEND);
  if (!file.valid()) {
    // Read-only, or a file with a second name: looked up all the same, so
    // that its tap fails with the card file's own message when recorded.
    writable = false;
    file = openRegularFile(path, O_RDONLY);
  }
  if (!file.valid()) {
    lookup.status = LookupStatus::OpenFailed;
    return lookup;
  }
  lockFile(file.get(), LOCK_EX);
  const std::optional<FileState> asRead = fileState(file.get());
  const std::optional<CardRecords> records =
      asRead ? readCardRecords(file.get(), static_cast<off_t>(asRead->size), defaultRecord)
             : std::nullopt;
  if (records) {
    lookup.status = LookupStatus::Found;
    lookup.records = *records;
    lookup.held = {std::move(file), *asRead, writable};
  }
  return lookup;
}
