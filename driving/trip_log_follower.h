// A terminal's trip log read as it grows, so that a driver learns what
// each charged tap recorded (its stamp, fee and journey id) without
// reading the card back. The terminal appends one record per charged tap,
// in the order it answers its taps, before it shows the answer: the n-th
// record the log gains is the n-th charged answer's. The log is followed
// through its hand-overs: once the name stands for another file, the one
// held is read to its end (nothing is appended to a log after it is handed
// over) before the new one is taken up. Only whole lines are taken; the
// bytes after the last line feed are read again next time, so a record a
// kill cut short and the terminal then cut off is never taken.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/files/file_handle.h"
#include "common/files/file_identity.h"
#include "common/formats/record_format.h"

class TripLogFollower {
 public:
  explicit TripLogFollower(std::string path) : path_(std::move(path)) {}

  // The next record beyond those taken, as views that hold until the next
  // call; nullopt when neither the log held nor a newer one under its name
  // has another whole line now. A line that is no record is given as one
  // with empty columns.
  std::optional<RecordColumns> next();

 private:
  // More whole lines of the file held into lines_; false when none came.
  bool readMore();
  // Takes up the file the name stands for when it is another than the one
  // held, after the held one is read to its end; false when it is the same
  // or there is none.
  bool takeUpNewer();

  std::string path_;
  FileDescriptor file_;
  std::optional<FileIdentity> held_;
  off_t offset_ = 0;   // the held file's bytes before this are in lines_
  std::string lines_;  // whole lines read and not yet taken, from taken_ on
  size_t taken_ = 0;
  std::string block_;  // one read
};
