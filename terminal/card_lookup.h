// The card lookup: the records a tap is decided from (card_record.h's
// CardRecords), read from the end of the card file. Top-ups
// (kTopUpTransport) are read past: the newest record gives the balance, the
// newest two records that are no top-up give everything else. The file is
// read backwards in blocks and only as far as those two records lie, so a
// card without top-ups costs one block however long its history, and any
// number of top-ups after its last tap are read through, as far as the file
// goes, holding no more than two blocks and a line at a time. A line is a
// record whether or not it ends with a line feed. A line longer than
// kCardRecordMaxBytes (common/formats/record_format.h) is a read error as soon as
// it is seen: no program writes one, and refusing it keeps a damaged file
// (a huge one without line feeds) from being read without end.
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

#include "common/files/file_handle.h"
#include "common/files/file_identity.h"
#include "common/formats/record_format.h"
#include "terminal/card_record.h"

// The first block a lookup reads; each further one is twice as large, up
// to kLookupMaxBlock, so a long run of top-ups takes few reads.
inline constexpr size_t kLookupBlockSize = 4096;
inline constexpr size_t kLookupMaxBlock = 1 << 16;

// What the end of a card file read so far gives: the records, a need to
// read further back, or a file no tap can be decided from.
enum class TailVerdict { Found, NeedMore, Unreadable };

// A card file's lines taken from its end, newest first, one stretch of
// bytes after another. It keeps only what the records need (the newest
// balance, what the top-ups credited, the last two records that are no
// top-up) and the start of a line that may begin further back.
class CardTail {
 public:
  // `defaultRecord` stands before a file's only record that is no top-up;
  // it must outlive the CardTail.
  explicit CardTail(std::string_view defaultRecord, size_t maxLine = kCardRecordMaxBytes);

  // Takes `bytes`, the stretch of the file just before everything taken so
  // far (its last bytes, at first); `atStart` when they begin the file.
  // Found once the records are known; Unreadable when there is no record
  // that is no top-up, when a line used splits into fewer than five
  // columns, or when a line is longer than `maxLine`; NeedMore otherwise.
  // Once Found or Unreadable, the verdict stays.
  TailVerdict take(std::string_view bytes, bool atStart);

  const CardRecords& records() const { return records_; }  // while Found

 private:
  // Takes one whole line; true once the verdict is settled.
  bool takeLine(std::string_view line);
  TailVerdict settle(TailVerdict verdict);
  TailVerdict atFileStart();

  std::string_view defaultRecord_;
  size_t maxLine_;
  TailVerdict verdict_ = TailVerdict::NeedMore;
  CardRecords records_;
  std::string carry_;  // the bytes taken that may end a line begun further back
  bool endSeen_ = false;
  bool newestTaken_ = false;
  int newestBalance_ = 0;
  int taps_ = 0;  // lines taken that are no top-up
  // The balance of the oldest top-up taken, until the line before it
  // (its balance before the credit) is taken.
  std::optional<int> pendingTopUp_;
};

struct TailReading {
  TailVerdict verdict = TailVerdict::Unreadable;
  CardRecords records;  // while Found
};

// The records of `tail`, the end of a card file (the whole file when
// `wholeFile`), as a CardTail takes it in one stretch. A file of a single
// record that is no top-up takes `defaultRecord` as the record before it.
TailReading readCardTail(std::string_view tail, bool wholeFile, std::string_view defaultRecord,
                         size_t maxLine = kCardRecordMaxBytes);

// The records of the first `size` bytes of the open file `fd`, read from
// the end: `blockSize` bytes at first (at most kLookupMaxBlock) and twice
// as many each time more is needed, up to kLookupMaxBlock. nullopt when
// reading fails or the file gives no records.
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
