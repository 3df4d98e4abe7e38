#include "terminal/trip_log.h"

#include <utility>

#include "common/files/world_layout.h"
#include "common/formats/made_logs.h"

TripLog::TripLog(std::string path) : path_(std::move(path)) {}

bool TripLog::open() {
  const std::optional<FileState> named = stateAt(path_).asOptional();
  if (file_ && named && named->identity == identity_) {
    sizeNow_ = named->size;
    return true;
  }
  leftAt_.reset();
  file_.emplace(path_, WhenMissing::Create);
  file_->lock();
  const std::optional<FileIdentity> identity =
      file_->isOpen() ? fileIdentity(file_->fd()).asOptional() : std::nullopt;
  if (!identity) {
    file_.reset();
    return false;
  }
  identity_ = *identity;
  // An empty log is one this terminal starts: listed before any record goes
  // in, so the settlement takes its lines as taps, never as copies.
  const std::optional<FileState> state = file_->state();
  if (state && state->size == 0) {
    noteLogMade(path_.parent_path() / madeName(path_.filename().string()), *identity);
  }
  return true;
}

std::optional<PreparedAppend> TripLog::prepare(std::string_view record) const {
  if (!file_) return std::nullopt;
  // The last byte written here was a record's line feed.
  if (leftAt_ && *leftAt_ == sizeNow_) return PreparedAppend{sizeNow_, std::string(record)};
  return file_->prepare(record);
}

bool TripLog::write(const PreparedAppend& prepared) {
  leftAt_.reset();
  if (!file_ || !file_->write(prepared)) return false;
  leftAt_ = prepared.at + static_cast<long long>(prepared.bytes.size());
  return true;
}

void TripLog::undoAppend() {
  leftAt_.reset();
  if (file_) file_->undoAppend();
}

void TripLog::close() {
  file_.reset();
  leftAt_.reset();
}
