// The card lookup: the records a tap is decided from (card_record.h's
// CardRecords), read from the end of the card file. Top-ups
// (kTopUpTransport) are read past: the newest record gives the balance, the
// newest two records that are no top-up give everything else. Only the end
// of the file is read, backwards in blocks and never more than
// kLookupReach bytes, so a lookup costs about the same on a long card
// history as on a short one. A line is a record whether or not it ends with
// a line feed. A record longer than kCardRecordMaxBytes, or two records
// that are no top-up further back than kLookupReach, are a read error: no
// terminal writes such a file, and refusing it keeps the lookup from
// reading back without end through a damaged one.
//
// The lookup locks the card file and hands the lock over with the tap
// (tap.h): two terminals tapping one card at once take turns, each deciding
// from the record the other appended, so no balance is charged twice from
// the same record. The lock is released as soon as the tap's records are
// written or the tap is refused, before any of its console output, so a
// terminal whose console is not read holds no card.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/file_handle.h"
#include "common/file_identity.h"
#include "terminal/card_record.h"

inline constexpr size_t kLookupBlockSize = 4096;
// The longest record the lookup takes, its line feed included. The
// terminals write records of some 35 bytes.
inline constexpr size_t kCardRecordMaxBytes = 4096;
// How far back from the end a lookup reads at most: two records of the
// longest length and the line feed before them (top-ups in between must
// fit in the same room).
inline constexpr size_t lookupReach(size_t maxLine) {
  return 2 * maxLine + 1;
}

// What the end of a card file gives: the records, a need to read further
// back, or a file no tap can be decided from.
enum class TailVerdict { Found, NeedMore, Unreadable };
struct TailReading {
  TailVerdict verdict = TailVerdict::Unreadable;
  CardRecords records;  // while Found
};

// The records of `tail`, the end of a card file (the whole file when
// `wholeFile`): Unreadable when there is no record that is no top-up, when
// a record used splits into fewer than five columns, or when a line read
// is longer than `maxLine`. A file of a single record that is no top-up
// takes `defaultRecord` as the record before it.
TailReading readCardTail(std::string_view tail, bool wholeFile, std::string_view defaultRecord,
                         size_t maxLine = kCardRecordMaxBytes);

// readCardTail over the first `size` bytes of the open file `fd`, read from
// the end: `blockSize` bytes at first and twice as many each time more is
// needed, never more than lookupReach(maxLine) bytes. nullopt when reading
// fails or the end read holds no records.
std::optional<CardRecords> readCardRecords(int fd, off_t size, std::string_view defaultRecord,
                                           size_t blockSize = kLookupBlockSize,
                                           size_t maxLine = kCardRecordMaxBytes);

// The card file of a tap, open and exclusively flocked: whoever holds it
// may append the tap's record knowing that no terminal has changed the card
// since its records were read. `asRead` is the file as the records were
// read from it: before appending, the writer checks that the card's name
// still stands for that file, unwritten since, as a tool that ignores the
// lock may have replaced, removed, cut or rewritten it. `writable` when the
// file was opened for appending too (a card the terminal may not write is
// held for reading only, and its tap fails when it is recorded).
struct HeldCard {
  FileDescriptor file;
  FileState asRead;
  bool writable = false;
};

enum class LookupStatus { Found, OpenFailed, ReadError };
struct CardLookup {
  LookupStatus status = LookupStatus::ReadError;
  CardRecords records;
  HeldCard held;  // while status is Found
};

// Opens `path` for appending, or for reading only when that is refused (it
// must exist and be a regular file, not a link; it is never created or
// changed here), takes an exclusive flock and reads its records.
CardLookup lookUpCard(const std::string& path, std::string_view defaultRecord);
