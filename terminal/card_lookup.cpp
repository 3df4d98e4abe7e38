#include "terminal/card_lookup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "common/console.h"
#include "common/file_handle.h"
#include "terminal/card_record.h"
#include "terminal/console_texts.h"
#include "terminal/terminal.h"

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

}  // namespace

std::optional<LastTwoLines> lastTwoLines(std::string_view tail, bool wholeFile) {
  LastTwoLines lines;
  if (tail.empty()) {
    if (wholeFile) return lines;
    return std::nullopt;
  }
  const size_t lastStart = lineStart(tail, tail.size(), wholeFile);
  if (lastStart == std::string_view::npos) return std::nullopt;
  if (lastStart > 0) {
    const size_t beforeStart = lineStart(tail, lastStart, wholeFile);
    if (beforeStart == std::string_view::npos) return std::nullopt;
    lines.before = std::string(tail.substr(beforeStart, lastStart - beforeStart));
  }
  lines.last = std::string(tail.substr(lastStart));
  return lines;
}

std::optional<LastTwoLines> readLastTwoLines(int fd, size_t blockSize, size_t maxLine) {
  const std::optional<FileState> file = fileState(fd);
  if (!file) return std::nullopt;
  // Appends by other terminals after this point lie beyond `size` and are
  // not seen: the lookup reads the file as it stood then.
  return lastTwoLinesBefore(fd, static_cast<off_t>(file->size), blockSize, maxLine);
}

std::optional<LastTwoLines> lastTwoLinesBefore(int fd, off_t size, size_t blockSize,
                                               size_t maxLine) {
  // Two lines of maxLine bytes and the line feed that ends the line before
  // them: whatever lies further back is never needed.
  const off_t reach = static_cast<off_t>(2 * maxLine + 1);
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
    if (auto lines = lastTwoLines(tail, start == 0)) {
      const auto fits = [&](const std::optional<std::string>& line) {
        return !line || line->size() <= maxLine;
      };
      if (fits(lines->last) && fits(lines->before)) return lines;
      return std::nullopt;
    }
    if (start == stop) return std::nullopt;
    block *= 2;
  }
}

std::optional<CardRecords> cardRecords(const LastTwoLines& lines, std::string_view defaultRecord) {
  if (!lines.last) return std::nullopt;
  std::optional<CardInfo> last = parseRecord(*lines.last);
  std::optional<CardInfo> before = parseRecord(lines.before ? *lines.before : defaultRecord);
  if (!last || !before) return std::nullopt;
  return CardRecords{*last, *before};
}

CardLookup lookUpCard(const std::string& path, std::string_view defaultRecord) {
  CardLookup lookup;
  FileDescriptor file = openRegularFile(path, O_RDONLY);
  if (!file.valid()) {
    lookup.status = LookupStatus::OpenFailed;
    return lookup;
  }
  lockFile(file.get(), LOCK_EX);
  const std::optional<FileState> asRead = fileState(file.get());
  const std::optional<LastTwoLines> lines =
      asRead ? lastTwoLinesBefore(file.get(), static_cast<off_t>(asRead->size)) : std::nullopt;
  const std::optional<CardRecords> records =
      lines ? cardRecords(*lines, defaultRecord) : std::nullopt;
  if (records) {
    lookup.status = LookupStatus::Found;
    lookup.records = *records;
    lookup.held = {std::move(file), *asRead};
  }
  return lookup;
}

bool parser() {
  CardLookup lookup = lookUpCard(cardFilePath(cinfo.card), terminal().defaultRecord);
  switch (lookup.status) {
    case LookupStatus::OpenFailed:
      consoleWrite(kFileOpenFailedText);
      return false;
    case LookupStatus::ReadError:
      consoleWrite(kCardfileReadErrorText);
      return false;
    case LookupStatus::Found:
      break;
  }
  takeRecord(cinfo, lookup.records.last);
  takeRecord(ocinfo, lookup.records.before);
  card_lock = std::move(lookup.held);
  return true;
}

void releaseCard() {
  card_lock = HeldCard();
}
