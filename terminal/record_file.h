// Appending one record to a card file or trip log. The file is opened in
// append mode (created when missing) and the record reaches it in a single
// write, so records appended by two terminals at once never interleave. A
// last line left without its line feed is completed in that same write.
// Looking at the last byte and appending happen under an exclusive flock:
// without it, the look could catch another terminal's append half-way (it
// becomes visible page by page) and complete a line that was never open.
// The card lookup reads under a shared flock for the same reason.
#pragma once

#include <string>
#include <string_view>

// flock that waits through interruptions; failures are ignored (the
// append or read then goes ahead unlocked).
void lockFile(int fd, int operation);

class RecordFile {
 public:
  explicit RecordFile(const std::string& path);
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  bool isOpen() const { return fd_ >= 0; }

  // Appends `record` (which ends with its line feed). Write errors are
  // ignored, as everywhere in the terminals.
  void append(std::string_view record);

 private:
  int fd_ = -1;
};
