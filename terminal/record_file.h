// Appending one record to a card file or trip log so that the file holds
// either the whole record or nothing of it. The file is opened in append mode
// (a trip log is created when missing, a card file never; a link, a file
// with a second name or anything but a regular file is refused, so nothing
// is created or written through a link) and the
// record goes in with one write where the file allows it. A last line left
// without its line feed is completed in that same write. When not all of it
// reaches the file (a full disk, a file-size limit), the file is cut back to
// its size before the append, and a written record can be taken back the
// same way while the other file of its tap fails.
//
// The last-byte check, the append and any cutting back need an exclusive
// flock on the file for their whole span: a card file is locked by the card
// lookup from before the tap is decided until it is recorded (see
// card_lookup.h), a trip log by RecordFile::lock. Without it, the check
// could catch another terminal's append half-way (it becomes visible page by
// page), and a cut could take away another terminal's record.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "common/files/file_handle.h"
#include "common/files/file_identity.h"

// What an append writes and where: the file's size before it, and the
// record, behind a line feed when the file's last line lacks one.
struct PreparedAppend {
  off_t at = 0;
  std::string bytes;
  bool operator==(const PreparedAppend&) const = default;
};

enum class WhenMissing { Create, Fail };

class RecordFile {
 public:
  RecordFile(const std::string& path, WhenMissing missing);
  // A file already open for appending (and locked by its owner).
  explicit RecordFile(FileDescriptor fd);

  bool isOpen() const { return fd_.valid(); }
  // Why the file is not open, when it is not (nullptr when it is, or when
  // it was handed an open one).
  const Problem* openProblem() const { return problem_ ? &*problem_ : nullptr; }

  // The file as it stands now; nullopt when it is not open.
  std::optional<FileState> state() const;

  // Takes the exclusive flock, held until the file is closed, on the file
  // the path names at that moment: a file renamed away while the lock was
  // awaited is given up for the one that now has the name. isOpen() is
  // false afterwards when none could be opened and locked.
  void lock();

  // Appends `record` (which ends with its line feed). The Problem when the
  // record did not reach the file whole; the file is then as it was before.
  Result<void> append(std::string_view record);

  // append in two steps, for a caller that notes what it is about to write
  // before writing it. The file must not change in between (hold its lock).
  std::optional<PreparedAppend> prepare(std::string_view record) const;
  bool write(const PreparedAppend& prepared);

  // Cuts the file to `size` bytes: an append cut short, or a record a kill
  // left half-written. Shrinking needs no space, so this fails only on a
  // file gone bad.
  Result<void> cutTo(off_t size);

  int fd() const { return fd_.get(); }

  // Cuts the file back to its size before the last successful append.
  void undoAppend();

 private:
  Result<PreparedAppend> prepareRecord(std::string_view record) const;
  Result<void> writeRecord(const PreparedAppend& prepared);
  // Opens the file at path_ (fd_, or problem_ when it cannot be).
  void open();

  int flags_;
  std::string path_;
  FileDescriptor fd_;
  std::optional<Problem> problem_;
  std::optional<off_t> sizeBefore_;
};
