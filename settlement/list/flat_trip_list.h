// list/ is the settlement's trip list, under the name the system gives it:
// a collected record (flat_record.h) and the list of one cycle (below).
//
// The trip list of one settlement cycle, kept flat: the records of every
// collected file in the order they were read (flat_record.h), and the
// list's order over all of them found by merging, without moving a record.
//
// The order is exactly the one a time-ordered linked list gives to the
// records inserted one by one in collection order: by time key; among the
// records of one key, first those that came while their key was the
// greatest so far, then the one that raised the greatest key to it, then
// those that came after a greater key, each group in the order the records
// came. (A record that raises the greatest key is appended as the list's
// last record; every record of its key that comes before a greater key goes
// directly before the last; once a greater key has come, records of the key
// go after all of their key.)
//
// A file is read as stretches in which the key never drops: one stretch for
// a log in time order. Within a stretch every record's class follows from
// the greatest key before the stretch, and holding each raise back until
// the rest of its key has gone keeps the stretch in the list's order. The
// list is a merge of the stretches by key and class, ties going to the
// stretch that came first.
//
// Storage is kept from cycle to cycle: a cycle that collects what the one
// before did allocates nothing.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/formats/content_check.h"
#include "common/formats/settlement_book.h"
#include "settlement/list/flat_record.h"

// The records of one collected file, in the order read.
class FileRecords {
 public:
  // Forgets the records; their storage stays.
  void clear();

  // Appends the record of a read, fresh or not.
  void add(const TripRecord& record, bool fresh);
  // Appends the records of whole reads that begin at offset `at` of their
  // log; those that begin at `freshFrom` or later are fresh, unless they
  // begin in a stretch of `passed` (in file order).
  void addReads(std::string_view reads, off_t at, off_t freshFrom,
                std::span<const PassedStretch> passed = {});

  // Reads the open log `fd` from `from` to its end, through `buffer`, into
  // records that replace these; a read is fresh as addReads says. `bytes`
  // is the log's size, for room. The reads go to `check` as well.
  LogReading read(int fd, off_t from, off_t freshFrom, std::span<const PassedStretch> passed,
                  off_t bytes, std::span<char> buffer, PrefixCheck& check);

  std::span<const FlatRecord> records() const { return {records_.get(), size_}; }
  const std::string& spill() const { return spill_; }
  const std::vector<size_t>& drops() const { return drops_; }
  size_t freshCount() const { return fresh_; }

 private:
  struct Release {
    void operator()(FlatRecord* records) const;
  };
  // Room for at least `records` records, those held kept.
  void reserve(size_t records);
  void push(const FlatRecord& record);

  // Records are written where the storage is, as they are read: the
  // storage beyond them is never touched, so room asked for generously
  // costs no memory.
  std::unique_ptr<FlatRecord[], Release> records_;
  size_t size_ = 0;
  size_t capacity_ = 0;
  std::string spill_;          // the journey ids that do not pack
  std::vector<size_t> drops_;  // where a record's key is below the one before it
  size_t fresh_ = 0;
};

class FlatTripList {
 public:
  // Room for `files` collected files; only between readings, never while
  // a file is being read.
  void expectFiles(size_t files);
  // Collected file `index`: each may be read on its own thread.
  FileRecords& file(size_t index) { return files_[index]; }

  // The list holds the records of these files, taken in this order (the
  // order of collection).
  void arrange(std::span<const size_t> files);
  size_t size() const { return size_; }
  size_t freshCount() const { return fresh_; }

  // Calls visit(record, spill) for every record of the list, in the list's
  // order; `spill` is the spill text of the record's file.
  template <typename Visit>
  void forEachInOrder(Visit&& visit) const;

  // Empties the list; the storage stays for the next cycle.
  void clear();

 private:
  struct Stretch {
    const FlatRecord* begin;
    const FlatRecord* end;
    const char* spill;
    int64_t greatestBefore;  // the greatest key of the list before it, or INT64_MIN
  };

  // Walks one stretch in the list's order, and says each record's class.
  class Cursor {
   public:
    explicit Cursor(const Stretch& stretch)
        : next_(stretch.begin),
          end_(stretch.end),
          spill_(stretch.spill),
          greatest_(stretch.greatestBefore) {
      step();
    }
    const FlatRecord* head() const { return head_; }
    const char* spill() const { return spill_; }
    // Orders heads by key, then class.
    uint64_t rank() const {
      return static_cast<uint64_t>(static_cast<uint32_t>(head_->time_key) ^ 0x80000000u) << 2 |
             order_;
    }
    void step();

   private:
    const FlatRecord* next_;
    const FlatRecord* end_;
    const char* spill_;
    int64_t greatest_;
    const FlatRecord* held_ = nullptr;  // a raise held back behind the rest of its key
    const FlatRecord* head_ = nullptr;
    uint32_t order_ = 0;  // 0: came at the greatest key, 1: raised it, 2: came after a greater
  };

  // A stretch's head in the merge: its rank, ties going to the stretch
  // that came first.
  struct Head {
    unsigned __int128 key;
    static Head of(const Cursor& cursor, size_t stretch) {
      return {static_cast<unsigned __int128>(cursor.rank()) << 64 | stretch};
    }
    size_t stretch() const { return static_cast<size_t>(key); }
    bool operator<(const Head& other) const { return key < other.key; }
  };
  static void siftDown(std::vector<Head>& heap, size_t at) {
    const Head moving = heap[at];
    for (;;) {
      size_t child = 2 * at + 1;
      if (child >= heap.size()) break;
      if (child + 1 < heap.size() && heap[child + 1] < heap[child]) ++child;
      if (!(heap[child] < moving)) break;
      heap[at] = heap[child];
      at = child;
    }
    heap[at] = moving;
  }

  std::vector<FileRecords> files_;
  std::vector<Stretch> stretches_;
  size_t size_ = 0;
  size_t fresh_ = 0;
};

inline void FlatTripList::Cursor::step() {
  if (held_ != nullptr && (next_ == end_ || next_->time_key != held_->time_key)) {
    head_ = held_;
    held_ = nullptr;
    order_ = 1;
    return;
  }
  if (next_ == end_) {
    head_ = nullptr;
    return;
  }
  const FlatRecord* record = next_++;
  if (record->time_key > greatest_) {
    greatest_ = record->time_key;
    if (next_ != end_ && next_->time_key == record->time_key) {
      held_ = record;
      head_ = next_++;
      order_ = 0;
      return;
    }
    head_ = record;
    order_ = 1;
    return;
  }
  head_ = record;
  order_ = record->time_key == greatest_ ? 0 : 2;
}

template <typename Visit>
void FlatTripList::forEachInOrder(Visit&& visit) const {
  std::vector<Cursor> cursors;
  std::vector<Head> heap;
  cursors.reserve(stretches_.size());
  heap.reserve(stretches_.size());
  for (const Stretch& stretch : stretches_) {
    cursors.emplace_back(stretch);
    if (cursors.back().head() != nullptr)
      heap.push_back(Head::of(cursors.back(), cursors.size() - 1));
  }
  for (size_t at = heap.size() / 2; at-- > 0;) siftDown(heap, at);
  while (!heap.empty()) {
    const size_t stretch = heap.front().stretch();
    Cursor& cursor = cursors[stretch];
    // The least head of the others: until it comes first, the records come
    // from this stretch without a look at the heap.
    Head runnerUp{~static_cast<unsigned __int128>(0)};
    if (heap.size() > 1) runnerUp = heap[1];
    if (heap.size() > 2 && heap[2] < runnerUp) runnerUp = heap[2];
    for (;;) {
      visit(*cursor.head(), cursor.spill());
      cursor.step();
      if (cursor.head() == nullptr) {
        heap.front() = heap.back();
        heap.pop_back();
        break;
      }
      const Head next = Head::of(cursor, stretch);
      if (runnerUp < next) {
        heap.front() = next;
        break;
      }
    }
    if (!heap.empty()) siftDown(heap, 0);
  }
}
