// Reading a trip log: which pieces of it count as reads, and which reads
// hold a record. The settlement and the audit both read logs through this
// one rule, so whatever the settlement settles the audit sees, line for
// line.
//
// A log is read as a run of reads of at most kLogReadMax characters, each
// stopping after a line feed; a read is taken only when it did not run into
// the end of the file. So a last line without its line feed (one a terminal
// is still writing) is left for later, and a longer line arrives in pieces.
// Logs are read in blocks, never whole: memory stays at one block whatever a
// log's size.
//
// A taken read holds a record when, its year's characters skipped, it
// splits into five columns the tokenizer's way and its transport names an
// operator by its first three characters (operatorOf, record_format.h):
// "BUS" for the bus, "MET" (of "METRO") for the metro.
//
// The rule is inline, and the block reader a template, so that a reader of
// a million records a cycle pays no call per read.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "common/base/text.h"
#include "common/files/file_handle.h"
#include "common/formats/record_format.h"

inline constexpr size_t kLogReadMax = 99;

// The length of the read that starts at the beginning of `rest`; nullopt
// when it would run into the end of `rest` (fewer than kLogReadMax
// characters and no line feed among them).
inline std::optional<size_t> nextLogRead(std::string_view rest) {
  const size_t window = rest.size() < kLogReadMax ? rest.size() : kLogReadMax;
  if (window == 0) return std::nullopt;
  const void* lineFeed = memchr(rest.data(), '\n', window);
  if (lineFeed != nullptr) {
    return static_cast<size_t>(static_cast<const char*>(lineFeed) - rest.data()) + 1;
  }
  // Stopped by the read's size, not by the end of the file.
  if (window == kLogReadMax) return kLogReadMax;
  return std::nullopt;
}

struct LogReading {
  off_t end = 0;        // offset just past the last taken read
  bool failed = false;  // a read of the file failed before its end: `problem` says why
  std::optional<Problem> problem;
};

// Where the last read that lies whole in `data` ends, `data` beginning where
// a read begins. Every read that ends at a line feed ends a read, and
// after the last line feed the reads are kLogReadMax characters each.
inline size_t wholeReadsLength(std::string_view data) {
  if (data.empty()) return 0;
  const void* lastLineFeed = memrchr(data.data(), '\n', data.size());
  const size_t base =
      lastLineFeed == nullptr ? 0 : static_cast<const char*>(lastLineFeed) - data.data() + 1;
  return base + (data.size() - base) / kLogReadMax * kLogReadMax;
}

// Hands every taken read of `reads` (whole reads, the first beginning at
// offset `at` of its file) to `take(read, at)`, in order.
template <typename Take>
void forEachLogRead(std::string_view reads, off_t at, Take&& take) {
  while (const std::optional<size_t> length = nextLogRead(reads)) {
    take(reads.substr(0, *length), at);
    at += static_cast<off_t>(*length);
    reads.remove_prefix(*length);
  }
}

// Reads the open log `fd` from byte `from` to its end (where a read of
// the file gives less than asked) through `buffer`, a block at a time, and hands each block's taken
// reads, whole, to `takeReads(reads, at)`, `at` being the offset where they begin, in file order.
// `buffer` must be longer than kLogReadMax.
template <typename TakeReads>
LogReading readLogBlocks(int fd, off_t from, std::span<char> buffer, TakeReads&& takeReads) {
  // What is left of a block after its taken reads is shorter than one read,
  // so it always fits in front of the next block.
  size_t held = 0;
  LogReading reading{from, false, std::nullopt};
  for (;;) {
    const size_t room = buffer.size() - held;
    const Result<size_t> got =
        readInto(fd, buffer.subspan(held), reading.end + static_cast<off_t>(held));
    if (!got) {
      reading.failed = true;
      reading.problem = *got.problem();
      return reading;
    }
    if (*got == 0) return reading;
    held += *got;
    const size_t whole = wholeReadsLength(std::string_view(buffer.data(), held));
    if (whole > 0) takeReads(std::string_view(buffer.data(), whole), reading.end);
    reading.end += static_cast<off_t>(whole);
    held -= whole;
    memmove(buffer.data(), buffer.data() + whole, held);
    // A regular file gives less than asked only at its end: what is
    // appended after that is for a later reading.
    if (*got < room) return reading;
  }
}

// readLogBlocks, every taken read handed to `take(read, at)` on its own.
template <typename Take>
LogReading readLogReads(int fd, off_t from, std::span<char> buffer, Take&& take) {
  return readLogBlocks(fd, from, buffer,
                       [&](std::string_view reads, off_t at) { forEachLogRead(reads, at, take); });
}

// Receives a taken read and the offset in the file where it starts.
using LogReadSink = std::function<void(std::string_view read, off_t at)>;

// readLogReads through a block buffer of its own.
LogReading readLogFrom(int fd, off_t from, const LogReadSink& take);

// The taken reads of a log whose whole content is `content`.
std::vector<std::string_view> completeLogLines(std::string_view content);

// One record of a trip log, as views into its read. Its fields are those of
// the settlement's TripNode, under the names the system gives them.
struct TripRecord {
  int time_key = 0;  // MMDDhhmm of the time column: 12050008
  Operator op = kBusOperator;
  std::string_view transport;
  int inout = 0;  // 1 when the direction begins with "IN"
  int fee = 0;
  std::string_view journey_id;  // with the line feed that ended the read
};

// The record a taken read holds; nullopt when it holds none.
inline std::optional<TripRecord> parseTripRecord(std::string_view read) {
  // The year is skipped before the split, so the time column is MMDDhhmm
  // (and a read no longer than the year splits into nothing).
  const std::optional<RecordColumns> columns = splitRecord(afterYear(read));
  if (!columns) return std::nullopt;
  const std::optional<Operator> op = operatorOf(columns->transport);
  if (!op) return std::nullopt;
  TripRecord record;
  record.time_key = timeKeyAfterYear(columns->time);
  record.op = *op;
  record.transport = columns->transport;
  record.inout = isEntry(columns->direction) ? 1 : 0;
  record.fee = recordAmount(columns->amount);
  record.journey_id = columns->journeyId;
  return record;
}
