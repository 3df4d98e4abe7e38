// A card file as the card tool holds it: opened only as a regular file
// (never through a link; for writing, only with one name), flocked like a
// terminal's tap holds it, and kept only when the card's name still stands
// for the file locked (a card replaced while the tool waited is opened
// again). Its end is read back at most kCardTailBytes, so a card's history
// never decides what a look at its balance costs.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/base/problem.h"
#include "common/files/file_handle.h"
#include "common/formats/record_format.h"

// A card file opened with `flags` and flocked with `operation` (LOCK_SH or
// LOCK_EX, waited for at most 10 seconds); otherwise why not.
Result<FileDescriptor> lockCard(const std::filesystem::path& path, int flags, int operation);

// The last kCardTailBytes of the open file, whether that is all of it, and
// its size; the Problem when it cannot be read.
struct CardTail {
  std::string bytes;
  bool wholeFile = false;
  off_t size = 0;
};
Result<CardTail> readTail(int fd);

// The card's newest record, as the terminals take it: its last line (views
// into `tail`); otherwise why there is none.
Result<RecordColumns> lastRecord(const CardTail& tail);

// A card's newest record: its balance and how it reads ("new card", or
// "2014-12-07 02:24 TOPUP IN"); otherwise why it cannot be had.
struct Newest {
  int balance = 0;
  std::string text;
};
Result<Newest> newestOf(int fd);
// The same for the card at `path`, under a lock let go at once.
Result<Newest> readNewest(const std::filesystem::path& path, int operation);
