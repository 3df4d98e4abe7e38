// The terminal's live trip log, opened once and kept open and locked (an
// exclusive flock) from tap to tap. Before each append the log's name is
// checked to still stand for the file held, with the size this terminal
// left it at; a log renamed or removed meanwhile (by hand) is given up for
// the one the name stands for now, created when missing, and a log whose
// size changed is read again for its last byte. The terminal's own
// hand-over closes it first (close), under trip_log_mutex. A log opened
// empty is listed as made by the terminal (common/formats/made_logs.h).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "common/files/file_identity.h"
#include "terminal/record_file.h"

class TripLog {
 public:
  explicit TripLog(std::string path);

  // Makes sure the log held is the one the name stands for, opening and
  // locking it when not; false when none can be opened.
  bool open();

  // As RecordFile: the append of `record` (ended by its line feed), then
  // writing it whole or not at all, and taking it back.
  std::optional<PreparedAppend> prepare(std::string_view record) const;
  bool write(const PreparedAppend& prepared);
  void undoAppend();

  // Closes the log, so that it can be renamed.
  void close();

 private:
  std::filesystem::path path_;
  std::optional<RecordFile> file_;
  FileIdentity identity_;
  // The size the log was left at by this terminal's last append, and the
  // size the name showed when the log was last opened; equal when no one
  // else changed it.
  std::optional<long long> leftAt_;
  long long sizeNow_ = 0;
};
