#include "card/card_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>

#include "card/card_records.h"
#include "common/files/card_lock.h"
#include "common/files/file_identity.h"
#include "common/files/file_system.h"
#include "common/formats/time_info.h"

namespace fs = std::filesystem;

namespace {

// A card a tap holds is free again within milliseconds; one held longer
// belongs to a program that has stopped in the middle of a tap.
constexpr std::chrono::seconds kLockWait{10};
// A card replaced again and again while the tool waits for it is given up.
constexpr int kOpenAttempts = 3;

// Why a card file could not be opened, in the card tool's words.
Problem openProblem(const Problem& problem) {
  if (problem.is(Problem::Kind::kMissing)) {
    return Problem("there is no such card (scripts/new-card provisions one)",
                   Problem::Kind::kMissing);
  }
  switch (problem.found()) {
    case Problem::Found::kLink:
      return Problem("its file is a symbolic link", Problem::Kind::kNotRegular);
    case Problem::Found::kNoFile:
      return Problem("its file is not a regular file", Problem::Kind::kNotRegular);
    case Problem::Found::kSecondName:
      return Problem("its file has a second name (a hard link)", Problem::Kind::kNotRegular);
    case Problem::Found::kForbidden:
    case Problem::Found::kNone:
      break;
  }
  return problem.within("its file cannot be opened: ");
}

std::string newestText(const RecordColumns& record) {
  if (record.transport == kNewCardTransport) return "new card";
  return readableTime(record.time) + " " + std::string(record.transport) + " " +
         std::string(record.direction);
}

}  // namespace

Result<FileDescriptor> lockCard(const fs::path& path, int flags, int operation) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    Result<FileDescriptor> card = lockCardFile(path.string(), flags, operation, kLockWait);
    if (const Problem* problem = card.problem()) {
      if (problem->is(Problem::Kind::kBusy)) {
        return Problem("it is held by another program (a terminal stopped in a tap?)",
                       Problem::Kind::kBusy);
      }
      return openProblem(*problem);
    }
    const std::optional<FileIdentity> held = fileIdentity(card->get()).asOptional();
    const std::optional<FileIdentity> named = identityAt(path).asOptional();
    if (held && named && *held == *named) return std::move(*card);
  }
  return Problem("it was replaced again and again while the tool waited for it");
}

Result<CardTail> readTail(int fd) {
  const Result<struct stat> status = fileStatus(fd);
  if (!status) return *status.problem();
  const off_t from = std::max<off_t>(0, status->st_size - static_cast<off_t>(kCardTailBytes));
  Result<std::string> bytes = readUpTo(fd, from, kCardTailBytes);
  if (!bytes) return *bytes.problem();
  return CardTail{std::move(*bytes), from == 0, status->st_size};
}

Result<RecordColumns> lastRecord(const CardTail& tail) {
  const std::optional<std::string_view> line = lastLineOf(tail.bytes, tail.wholeFile);
  if (!line) {
    return Problem(
        tail.bytes.empty() ? "its file is empty" : "its last line is longer than any record",
        Problem::Kind::kMalformed);
  }
  const std::optional<RecordColumns> record = splitRecord(*line);
  if (!record) return Problem("its last line holds no record", Problem::Kind::kMalformed);
  return *record;
}

Result<Newest> newestOf(int fd) {
  const Result<CardTail> tail = readTail(fd);
  if (!tail) return tail.problem()->within("its file cannot be read: ");
  const auto last = lastRecord(*tail);
  if (const Problem* problem = last.problem()) return *problem;
  const RecordColumns& record = last.value();
  return Newest{recordAmount(record.amount), newestText(record)};
}

Result<Newest> readNewest(const fs::path& path, int operation) {
  const Result<FileDescriptor> card = lockCard(path, O_RDONLY, operation);
  if (const Problem* problem = card.problem()) return *problem;
  return newestOf(card->get());
}
