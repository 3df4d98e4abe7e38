#include "settlement/list/flat_trip_list.h"

#include <algorithm>

namespace {

// The shortest read that holds a record: "2014" "1,BUS,I,1,\n".
constexpr off_t kShortestRecordRead = 15;

}  // namespace

void FileRecords::clear() {
  records_.clear();
  spill_.clear();
  drops_.clear();
  fresh_ = 0;
}

void FileRecords::add(const TripRecord& record, bool fresh) {
  const FlatRecord flat = flatRecord(record, fresh, spill_);
  if (!records_.empty() && flat.time_key < records_.back().time_key) {
    drops_.push_back(records_.size());
  }
  records_.push_back(flat);
  fresh_ += fresh ? 1 : 0;
}

LogReading FileRecords::read(int fd, off_t from, off_t freshFrom, off_t bytes,
                             std::span<char> buffer) {
  clear();
  // Room for the most records the log can hold: what is never written is
  // never backed by memory.
  if (bytes > from) records_.reserve(static_cast<size_t>((bytes - from) / kShortestRecordRead) + 1);
  return readLogReads(fd, from, buffer, [&](std::string_view read, off_t at) {
    if (const std::optional<TripRecord> record = parseTripRecord(read)) {
      add(*record, at >= freshFrom);
    }
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
    const std::vector<FlatRecord>& records = file.records();
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

void FlatTripList::siftDown(std::vector<Head>& heap, size_t at) {
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
