#include "driving/trip_log_follower.h"

#include <fcntl.h>

#include <span>

namespace {

constexpr size_t kBlock = 1 << 16;

}  // namespace

bool TripLogFollower::readMore() {
  if (!file_.valid()) return false;
  if (taken_ > 0) {
    lines_.erase(0, taken_);
    taken_ = 0;
  }
  bool any = false;
  block_.resize(kBlock);
  for (;;) {
    const Result<size_t> n = readInto(file_.get(), std::span<char>(block_), offset_);
    if (!n || *n == 0) return any;
    const std::string_view read(block_.data(), *n);
    const size_t lastLine = read.rfind('\n');
    // A line longer than a block is no record a terminal writes: the log is
    // then followed no further.
    const size_t whole = lastLine == std::string_view::npos ? 0 : lastLine + 1;
    if (whole == 0) return any;
    lines_.append(read.substr(0, whole));
    offset_ += static_cast<off_t>(whole);
    any = true;
    if (*n < kBlock) return true;
  }
}

bool TripLogFollower::takeUpNewer() {
  const std::optional<FileIdentity> named = identityAt(path_).asOptional();
  if (!named || named == held_) return false;
  // Handed over: what it gained before the hand-over comes first.
  readMore();
  FileDescriptor newer = openRegular(path_, O_RDONLY).value_or(FileDescriptor());
  if (!newer.valid()) return false;
  const std::optional<FileIdentity> opened = fileIdentity(newer.get()).asOptional();
  if (!opened || opened == held_) return false;
  file_ = std::move(newer);
  held_ = opened;
  offset_ = 0;
  return true;
}

std::optional<RecordColumns> TripLogFollower::next() {
  for (;;) {
    const size_t end = lines_.find('\n', taken_);
    if (end != std::string::npos) {
      const std::string_view line = std::string_view(lines_).substr(taken_, end + 1 - taken_);
      taken_ = end + 1;
      return splitRecord(line).value_or(RecordColumns{});
    }
    if (taken_ > 0 && taken_ == lines_.size()) {
      lines_.clear();
      taken_ = 0;
    }
    if (readMore()) continue;
    if (!takeUpNewer()) return std::nullopt;
  }
}
