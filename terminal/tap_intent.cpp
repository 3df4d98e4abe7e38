#include "terminal/tap_intent.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "common/base/text.h"
#include "common/files/card_lock.h"
#include "common/files/file_rename.h"
#include "common/files/file_system.h"
#include "common/files/world_layout.h"
#include "terminal/card_record.h"

namespace {

constexpr std::string_view kIntentMagic = "tap-intent 3";
constexpr int kIntentFields = 6;
constexpr size_t kMaxIntentSize = 1 << 16;
constexpr char kActive = '1';
constexpr char kCleared = '0';
// "1 0000006a 9f3c07d1\n": the flag, the body's length and its checksum.
constexpr size_t kHeaderSize = 20;
// Names taken by notes set aside before give up after this many tries.
constexpr int kSetAsideAttempts = 100;

// Fields are "<length>:<bytes>\n", so records need no escaping.
void putField(std::string& text, std::string_view field) {
  text += std::to_string(field.size());
  text += ':';
  text += field;
  text += '\n';
}

std::optional<std::string_view> takeField(std::string_view& text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon > 9) return std::nullopt;
  const std::optional<size_t> counted = decimalNumber<size_t>(text.substr(0, colon));
  if (!counted) return std::nullopt;
  const size_t length = *counted;
  if (text.size() < colon + 1 + length + 1 || text[colon + 1 + length] != '\n') return std::nullopt;
  const std::string_view field = text.substr(colon + 1, length);
  text.remove_prefix(colon + 1 + length + 1);
  return field;
}

std::optional<off_t> offsetOf(std::string_view field) {
  if (field.size() > 18) return std::nullopt;
  return decimalNumber<off_t>(field);
}

// What an append writes: one record line ended by its line feed, behind a
// line feed when the file's last line lacked one.
bool isOneRecord(std::string_view bytes) {
  if (bytes.starts_with('\n')) bytes.remove_prefix(1);
  return !bytes.empty() && bytes.find('\n') == bytes.size() - 1 && parseRecord(bytes).has_value();
}

// Eight lower-case hexadecimal digits.
std::optional<uint32_t> hexOf(std::string_view digits) {
  if (digits.size() != 8) return std::nullopt;
  uint32_t value = 0;
  for (const char c : digits) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

// "cannot <verb> <path>: <why>".
Problem cannot(std::string_view verb, const std::string& path, const Problem& why) {
  return why.within("cannot " + std::string(verb) + " " + path + ": ");
}

// Whether something that is no regular file stands at `path` (a link is
// not followed).
bool isNoRegularFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

Result<RecordState> stateIn(int fd, const PreparedAppend& record) {
  const Result<std::string> bytes = readUpTo(fd, record.at, record.bytes.size() + 1);
  if (!bytes) return *bytes.problem();
  return recordState(*bytes, record.bytes);
}

}  // namespace

std::string encodeIntent(const TapIntent& intent) {
  std::string text;
  putField(text, kIntentMagic);
  putField(text, intent.card);
  putField(text, std::to_string(intent.cardRecord.at));
  putField(text, intent.cardRecord.bytes);
  putField(text, std::to_string(intent.tripLogRecord.at));
  putField(text, intent.tripLogRecord.bytes);
  return text;
}

std::optional<TapIntent> decodeIntent(std::string_view body) {
  std::optional<std::string_view> fields[kIntentFields];
  for (auto& field : fields) {
    field = takeField(body);
    if (!field) return std::nullopt;
  }
  const auto cardAt = offsetOf(*fields[2]);
  const auto logAt = offsetOf(*fields[4]);
  if (*fields[0] != kIntentMagic || !body.empty() || !isValidCardNumber(*fields[1]) || !cardAt ||
      !logAt || !isOneRecord(*fields[3]) || !isOneRecord(*fields[5])) {
    return std::nullopt;
  }
  return TapIntent{std::string(*fields[1]),
                   {*cardAt, std::string(*fields[3])},
                   {*logAt, std::string(*fields[5])}};
}

std::string activeNote(std::string_view body) {
  char header[kHeaderSize + 1];
  snprintf(header, sizeof header, "%c %08x %s\n", kActive, static_cast<unsigned>(body.size()),
           textCheck(body).c_str());
  std::string text(header, kHeaderSize);
  text += body;
  return text;
}

NoteReading readNote(std::string_view text) {
  if (text.empty() || text[0] == kCleared) return {};
  if (text[0] != kActive || text.size() < kHeaderSize || text[1] != ' ' || text[10] != ' ' ||
      text[kHeaderSize - 1] != '\n') {
    return {NoteState::Foreign, {}};
  }
  const std::optional<uint32_t> length = hexOf(text.substr(2, 8));
  const std::optional<uint32_t> sum = hexOf(text.substr(11, 8));
  if (!length || !sum) return {NoteState::Foreign, {}};
  const std::string_view body = text.substr(kHeaderSize);
  if (*length > body.size() || textCheck(body.substr(0, *length)) != text.substr(11, 8)) {
    return {NoteState::Torn, {}};
  }
  return {NoteState::Active, body.substr(0, *length)};
}

RecordState recordState(std::string_view fromOffset, std::string_view bytes) {
  if (fromOffset.starts_with(bytes)) return RecordState::Whole;
  if (!fromOffset.empty() && fromOffset.size() < bytes.size() && bytes.starts_with(fromOffset)) {
    return RecordState::CutShort;
  }
  return RecordState::Absent;
}

IntentFile::IntentFile(std::string path) : path_(std::move(path)) {
  open();
}

bool IntentFile::open() {
  if (!fd_.valid()) fd_ = openRegular(path_, O_RDWR | O_CREAT, 0666).value_or(FileDescriptor());
  return fd_.valid();
}

bool IntentFile::write(const TapIntent& intent) {
  return open() && writeAt(fd_.get(), activeNote(encodeIntent(intent)), 0).ok();
}

bool IntentFile::clear() {
  return fd_.valid() && writeAt(fd_.get(), std::string_view(&kCleared, 1), 0).ok();
}

std::string setAsideName(std::string_view intentPath, int attempt) {
  std::string name = std::string(intentPath) + ".rejected";
  if (attempt > 1) name += "." + std::to_string(attempt);
  return name;
}

namespace {

// Renames the note out of the way, never over another file.
Result<IntentOutcome> setAside(const std::string& intentPath) {
  for (int attempt = 1;; ++attempt) {
    const std::string name = setAsideName(intentPath, attempt);
    const Result<void> renamed = renameWithoutReplacing(intentPath, name);
    if (renamed) return IntentOutcome{IntentFate::SetAside, name};
    const Problem& problem = *renamed.problem();
    if (!problem.is(Problem::Kind::kExists) || attempt == kSetAsideAttempts) {
      return problem.within("cannot set aside " + intentPath + ": ");
    }
  }
}

// Rolls the note `intent` forward: done, or why not.
Result<void> complete(const TapIntent& intent, const std::string& tripLogPath) {
  // The card first, under its lock, as a tap takes it.
  const std::string cardPath = cardFilePath(intent.card);
  Result<FileDescriptor> locked = lockCardFile(cardPath, O_RDWR, LOCK_EX);
  if (const Problem* problem = locked.problem()) {
    if (problem->is(Problem::Kind::kMissing)) return {};
    return problem->within("cannot open " + cardPath + ": ");
  }
  const FileDescriptor card = std::move(*locked);
  const Result<RecordState> cardState = stateIn(card.get(), intent.cardRecord);
  if (!cardState) return cannot("read", cardPath, *cardState.problem());
  if (*cardState != RecordState::Whole) {
    if (*cardState == RecordState::CutShort) {
      if (const Result<void> cut = cutFile(card.get(), intent.cardRecord.at); !cut) {
        return cannot("cut", cardPath, *cut.problem());
      }
    }
    return {};
  }

  RecordFile tripLog(tripLogPath, WhenMissing::Create);
  tripLog.lock();
  if (!tripLog.isOpen()) return cannot("open", tripLogPath, *tripLog.openProblem());
  const Result<RecordState> logState = stateIn(tripLog.fd(), intent.tripLogRecord);
  if (!logState) return cannot("read", tripLogPath, *logState.problem());
  if (*logState != RecordState::Whole) {
    if (*logState == RecordState::CutShort) {
      if (const Result<void> cut = tripLog.cutTo(intent.tripLogRecord.at); !cut) {
        return cannot("cut", tripLogPath, *cut.problem());
      }
    }
    // The record itself, without the line feed that may have ended the
    // file's last line then: append puts one back if it is needed now.
    std::string_view record = intent.tripLogRecord.bytes;
    if (record.front() == '\n') record.remove_prefix(1);
    if (const Result<void> appended = tripLog.append(record); !appended) {
      return cannot("write", tripLogPath, *appended.problem());
    }
  }
  return {};
}

}  // namespace

Result<IntentOutcome> completeIntent(const std::string& intentPath,
                                     const std::string& tripLogPath) {
  Result<FileDescriptor> opened = openRegular(intentPath, O_RDWR);
  if (const Problem* problem = opened.problem()) {
    if (problem->is(Problem::Kind::kMissing)) return IntentOutcome{};
    // Anything but a regular file (a directory, a link, a FIFO, a socket,
    // a device), or one with a second name: nothing this terminal writes.
    if (problem->found() == Problem::Found::kSecondName || isNoRegularFile(intentPath)) {
      return setAside(intentPath);
    }
    return cannot("open", intentPath, *problem);
  }
  const FileDescriptor note = std::move(*opened);
  const Result<std::string> text = readUpTo(note.get(), 0, kMaxIntentSize);
  if (!text) return cannot("read", intentPath, *text.problem());
  const NoteReading reading = readNote(*text);
  if (reading.state == NoteState::Nothing) return IntentOutcome{};
  if (reading.state == NoteState::Foreign) return setAside(intentPath);
  if (reading.state == NoteState::Active) {
    const std::optional<TapIntent> intent = decodeIntent(reading.body);
    if (!intent) return setAside(intentPath);
    if (const Result<void> completed = complete(*intent, tripLogPath); !completed) {
      return *completed.problem();
    }
  }
  // Completed, dropped or torn: cleared, so that it is never taken up again.
  if (const Result<void> cleared = writeAt(note.get(), std::string_view(&kCleared, 1), 0);
      !cleared) {
    return cannot("clear", intentPath, *cleared.problem());
  }
  return IntentOutcome{};
}
