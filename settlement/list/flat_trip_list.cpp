#include "settlement/list/flat_trip_list.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>

namespace {

// The shortest read that holds a record: "2014" "1,BUS,I,1,\n".
constexpr off_t kShortestRecordRead = 15;
// Room asked for ahead of the records read is never more than this: a huge
// file of anything but records (a sparse one, say) asks for no memory.
constexpr size_t kMostRoomAhead = size_t{1} << 22;

}  // namespace

void FileRecords::Release::operator()(FlatRecord* records) const {
  std::free(records);
}

void FileRecords::clear() {
  size_ = 0;
  spill_.clear();
  drops_.clear();
  fresh_ = 0;
}

void FileRecords::reserve(size_t records) {
  if (records <= capacity_) return;
  // Records are plain bytes: they move by copy, and fresh room is left
  // as it is.
  auto* grown = static_cast<FlatRecord*>(std::malloc(records * sizeof(FlatRecord)));
  if (grown == nullptr) throw std::bad_alloc();
  if (size_ > 0) memcpy(grown, records_.get(), size_ * sizeof(FlatRecord));
  records_.reset(grown);
  capacity_ = records;
}

void FileRecords::push(const FlatRecord& record) {
  if (size_ == capacity_) reserve(std::max<size_t>(2 * capacity_, 1024));
  if (size_ > 0 && record.time_key < records_[size_ - 1].time_key) drops_.push_back(size_);
  records_[size_++] = record;
  fresh_ += record.fresh() ? 1 : 0;
}

void FileRecords::add(const TripRecord& record, bool fresh) {
  push(flatRecord(record, fresh, spill_));
}

void FileRecords::addReads(std::string_view reads, off_t at, off_t freshFrom,
                           std::span<const PassedStretch> passed) {
  const char* const start = reads.data();
  const char* const end = start + reads.size();
  // The most reads `reads` can hold that are records: room for them first,
  // so that the terminals' lines go straight into place.
  const size_t needed = size_ + reads.size() / kShortestRecordRead + 1;
  if (needed > capacity_) reserve(std::max(needed, capacity_ + capacity_ / 2));
  FlatRecord* const records = records_.get();
  size_t size = size_;
  int32_t lastKey = size > 0 ? records[size - 1].time_key : INT32_MIN;
  size_t fresh = 0;
  for (const char* read = start; read != end;) {
    const off_t offset = at + (read - start);
    bool isFresh = offset >= freshFrom;
    if (!passed.empty() && isFresh) {
      // Passed stretches come in file order, and so do the reads.
      while (!passed.empty() && passed.front().offset + passed.front().length <= offset) {
        passed = passed.subspan(1);
      }
      isFresh = passed.empty() || offset < passed.front().offset;
    }
    FlatRecord& record = records[size];
    size_t length = static_cast<size_t>(end - read) >= kLongestTerminalLine
                        ? readTerminalLine(read, record)
                        : 0;
    if (length == 0) {
      // Any other read, by the rule every reader shares. `reads` are whole
      // reads, so there is always one more here.
      const std::optional<size_t> next =
          nextLogRead(std::string_view(read, static_cast<size_t>(end - read)));
      if (!next) break;
      length = *next;
      const std::optional<TripRecord> parsed = parseTripRecord(std::string_view(read, length));
      read += length;
      if (!parsed) continue;
      record = flatRecord(*parsed, false, spill_);
    } else {
      read += length;
    }
    if (isFresh) {
      record.word |= FlatRecord::kFresh;
      ++fresh;
    }
    if (record.time_key < lastKey) drops_.push_back(size);
    lastKey = record.time_key;
    ++size;
  }
  size_ = size;
  fresh_ += fresh;
}

LogReading FileRecords::read(int fd, off_t from, off_t freshFrom,
                             std::span<const PassedStretch> passed, off_t bytes,
                             std::span<char> buffer, PrefixCheck& check) {
  clear();
  if (bytes > from) {
    reserve(
        std::min(static_cast<size_t>((bytes - from) / kShortestRecordRead) + 1, kMostRoomAhead));
  }
  return readLogBlocks(fd, from, buffer, [&](std::string_view reads, off_t at) {
    check.add(reads);
    // The stretches before this block are behind it for good.
    while (!passed.empty() && passed.front().offset + passed.front().length <= at) {
      passed = passed.subspan(1);
    }
    addReads(reads, at, freshFrom, passed);
  });
}

void FlatTripList::expectFiles(size_t files) {
  if (files_.size() < files) files_.resize(files);
}

void FlatTripList::arrange(std::span<const size_t> files) {
  stretches_.clear();
  size_ = 0;
  fresh_ = 0;
  int64_t greatest = INT64_MIN;
  for (const size_t index : files) {
    const FileRecords& file = files_[index];
    const std::span<const FlatRecord> records = file.records();
    size_t begin = 0;
    const auto stretch = [&](size_t end) {
      if (end == begin) return;
      stretches_.push_back(
          {records.data() + begin, records.data() + end, file.spill().data(), greatest});
      // The key never drops within a stretch: its last is its greatest.
      greatest = std::max<int64_t>(greatest, records[end - 1].time_key);
      begin = end;
    };
    for (const size_t drop : file.drops()) stretch(drop);
    stretch(records.size());
    size_ += records.size();
    fresh_ += file.freshCount();
  }
}

void FlatTripList::clear() {
  stretches_.clear();
  for (FileRecords& file : files_) file.clear();
  size_ = 0;
  fresh_ = 0;
}
