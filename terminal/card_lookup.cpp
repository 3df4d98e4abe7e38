#include "terminal/card_lookup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "common/files/card_lock.h"

namespace {

// Start of the line that ends at `end` (its line feed, if any, at end - 1);
// npos when the line may begin before `text`.
size_t lineStart(std::string_view text, size_t end, bool atStart) {
  const size_t feed = end >= 2 ? text.rfind('\n', end - 2) : std::string_view::npos;
  if (feed != std::string_view::npos) return feed + 1;
  return atStart ? 0 : std::string_view::npos;
}

bool readAt(int fd, std::string& into, off_t offset) {
  const Result<size_t> done = readInto(fd, into, offset);
  return done && *done == into.size();
}

}  // namespace

CardTail::CardTail(std::string_view defaultRecord, size_t maxLine)
    : defaultRecord_(defaultRecord), maxLine_(maxLine) {}

TailVerdict CardTail::take(std::string_view bytes, bool atStart) {
  if (verdict_ != TailVerdict::NeedMore) return verdict_;
  std::string_view text = bytes;
  if (!carry_.empty()) {
    carry_.insert(0, bytes);
    text = carry_;
  }
  if (!endSeen_ && !text.empty()) {
    endSeen_ = true;
    records_.endsWithLineFeed = text.back() == '\n';
  }
  size_t end = text.size();
  while (end > 0) {
    const size_t start = lineStart(text, end, atStart);
    if (start == std::string_view::npos) break;
    if (end - start > maxLine_) return settle(TailVerdict::Unreadable);
    if (takeLine(text.substr(start, end - start))) return verdict_;
    end = start;
  }
  if (atStart) return atFileStart();
  // Part of a line: more is needed, unless it is already too long.
  if (end > maxLine_) return settle(TailVerdict::Unreadable);
  if (text.data() == carry_.data()) {
    carry_.resize(end);
  } else {
    carry_.assign(text.substr(0, end));
  }
  return TailVerdict::NeedMore;
}

bool CardTail::takeLine(std::string_view line) {
  // A line that is no record is no top-up either: a record used.
  const std::optional<RecordColumns> columns = splitRecord(line);
  if (!columns) {
    settle(TailVerdict::Unreadable);
    return true;
  }
  const int balance = recordAmount(columns->amount);
  if (!newestTaken_) {
    newestTaken_ = true;
    newestBalance_ = balance;
  }
  // Each top-up credits what it adds to the balance of the line before it.
  if (pendingTopUp_) records_.credited += static_cast<long long>(*pendingTopUp_) - balance;
  pendingTopUp_.reset();
  if (columns->transport == kTopUpTransport) {
    pendingTopUp_ = balance;
    return false;
  }
  if (++taps_ == 1) {
    records_.last = recordOf(*columns);
    return false;
  }
  records_.before = recordOf(*columns);
  settle(TailVerdict::Found);
  return true;
}

TailVerdict CardTail::atFileStart() {
  if (taps_ == 0) return settle(TailVerdict::Unreadable);
  const std::optional<CardInfo> before = parseRecord(defaultRecord_);
  if (!before) return settle(TailVerdict::Unreadable);
  if (pendingTopUp_) records_.credited += static_cast<long long>(*pendingTopUp_) - before->balance;
  records_.before = *before;
  return settle(TailVerdict::Found);
}

TailVerdict CardTail::settle(TailVerdict verdict) {
  verdict_ = verdict;
  carry_.clear();
  if (verdict == TailVerdict::Found) {
    records_.last.balance = newestBalance_;
  } else {
    records_ = CardRecords();
  }
  return verdict;
}

TailReading readCardTail(std::string_view tail, bool wholeFile, std::string_view defaultRecord,
                         size_t maxLine) {
  CardTail reading(defaultRecord, maxLine);
  const TailVerdict verdict = reading.take(tail, wholeFile);
  return {verdict, verdict == TailVerdict::Found ? reading.records() : CardRecords()};
}

std::optional<CardRecords> readCardRecords(int fd, off_t size, std::string_view defaultRecord,
                                           size_t blockSize, size_t maxLine) {
  if (size < 0) return std::nullopt;
  CardTail tail(defaultRecord, maxLine);
  std::string block;
  off_t blockBytes = static_cast<off_t>(std::clamp<size_t>(blockSize, 1, kLookupMaxBlock));
  for (off_t end = size;;) {
    const off_t from = end > blockBytes ? end - blockBytes : 0;
    block.resize(static_cast<size_t>(end - from));
    if (!readAt(fd, block, from)) return std::nullopt;
    end = from;
    switch (tail.take(block, from == 0)) {
      case TailVerdict::Found:
        return tail.records();
      case TailVerdict::Unreadable:
        return std::nullopt;
      case TailVerdict::NeedMore:
        break;
    }
    blockBytes = std::min(2 * blockBytes, static_cast<off_t>(kLookupMaxBlock));
  }
}

namespace {

// A card looked up for a tap keeps its access time where the terminal may
// ask that (it owns the file): updating it would be a write of its own at
// every tap.
Result<FileDescriptor> lockForTap(const std::string& path, int flags) {
  return lockCardFile(path, flags | O_NOATIME, LOCK_EX);
}

}  // namespace

CardLookup lookUpCard(const std::string& path, std::string_view defaultRecord) {
  CardLookup lookup;
  bool writable = true;
  Result<FileDescriptor> card = lockForTap(path, O_RDWR | O_APPEND);
  if (!card) {
    // Read-only, or a file with a second name: looked up all the same, so
    // that its tap fails with the card file's own message when recorded.
    writable = false;
    card = lockForTap(path, O_RDONLY);
  }
  if (!card) {
    lookup.status = LookupStatus::OpenFailed;
    return lookup;
  }
  FileDescriptor file = std::move(*card);
  const std::optional<FileState> asRead = fileState(file.get()).asOptional();
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
