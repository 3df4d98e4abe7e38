#include "terminal/tap_intent.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/file_handle.h"
#include "common/file_rename.h"
#include "common/file_replace.h"
#include "common/text.h"
#include "common/world_layout.h"
#include "terminal/card_record.h"
#include "terminal/command_reader.h"

namespace {

constexpr std::string_view kIntentMagic = "tap-intent 2";
constexpr int kIntentFields = 6;
constexpr size_t kMaxIntentSize = 1 << 16;
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
  if (colon == std::string_view::npos || colon == 0 || colon > 9) return std::nullopt;
  for (size_t i = 0; i < colon; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  const size_t length = static_cast<size_t>(readInt(text.substr(0, colon)));
  if (text.size() < colon + 1 + length + 1 || text[colon + 1 + length] != '\n') return std::nullopt;
  const std::string_view field = text.substr(colon + 1, length);
  text.remove_prefix(colon + 1 + length + 1);
  return field;
}

std::optional<off_t> offsetOf(std::string_view field) {
  if (field.empty() || field.size() > 18) return std::nullopt;
  off_t value = 0;
  for (const char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// What an append writes: one record line ended by its line feed, behind a
// line feed when the file's last line lacked one.
bool isOneRecord(std::string_view bytes) {
  if (bytes.starts_with('\n')) bytes.remove_prefix(1);
  return !bytes.empty() && bytes.find('\n') == bytes.size() - 1 && parseRecord(bytes).has_value();
}

std::string errorText(const std::string& path) {
  return path + ": " + strerror(errno);
}

std::optional<RecordState> stateIn(int fd, const PreparedAppend& record) {
  const auto bytes = readUpTo(fd, record.at, record.bytes.size() + 1);
  if (!bytes) return std::nullopt;
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

std::optional<TapIntent> decodeIntent(std::string_view text) {
  std::optional<std::string_view> fields[kIntentFields];
  for (auto& field : fields) {
    field = takeField(text);
    if (!field) return std::nullopt;
  }
  const auto cardAt = offsetOf(*fields[2]);
  const auto logAt = offsetOf(*fields[4]);
  if (*fields[0] != kIntentMagic || !text.empty() || !isValidCardNumber(*fields[1]) || !cardAt ||
      !logAt || !isOneRecord(*fields[3]) || !isOneRecord(*fields[5])) {
    return std::nullopt;
  }
  return TapIntent{std::string(*fields[1]),
                   {*cardAt, std::string(*fields[3])},
                   {*logAt, std::string(*fields[5])}};
}

RecordState recordState(std::string_view fromOffset, std::string_view bytes) {
  if (fromOffset.starts_with(bytes)) return RecordState::Whole;
  if (!fromOffset.empty() && fromOffset.size() < bytes.size() && bytes.starts_with(fromOffset)) {
    return RecordState::CutShort;
  }
  return RecordState::Absent;
}

bool writeIntent(const std::string& intentPath, const TapIntent& intent) {
  return replaceFile(intentPath, encodeIntent(intent));
}

void removeIntent(const std::string& intentPath) {
  unlink(intentPath.c_str());
}

std::string setAsideName(std::string_view intentPath, int attempt) {
  std::string name = std::string(intentPath) + ".rejected";
  if (attempt > 1) name += "." + std::to_string(attempt);
  return name;
}

namespace {

IntentOutcome incomplete(std::string why) {
  return {IntentFate::Incomplete, std::move(why)};
}

// Renames the note out of the way, never over another file.
IntentOutcome setAside(const std::string& intentPath) {
  for (int attempt = 1; attempt <= kSetAsideAttempts; ++attempt) {
    const std::string name = setAsideName(intentPath, attempt);
    if (renameWithoutReplacing(intentPath, name)) return {IntentFate::SetAside, name};
    if (errno != EEXIST) break;
  }
  return incomplete("cannot set aside " + errorText(intentPath));
}

// Completes the note `intent`, found at `intentPath`.
IntentOutcome complete(const TapIntent& intent, const std::string& intentPath,
                       const std::string& tripLogPath) {
  // The card first, under its lock, as a tap takes it.
  const std::string cardPath = cardFilePath(intent.card);
  FileDescriptor card = openRegularFile(cardPath, O_RDWR);
  if (!card.valid() && errno == ENOENT) {
    removeIntent(intentPath);
    return {};
  }
  if (!card.valid()) return incomplete("cannot open " + errorText(cardPath));
  lockFile(card.get(), LOCK_EX);
  const auto cardState = stateIn(card.get(), intent.cardRecord);
  if (!cardState) return incomplete("cannot read " + errorText(cardPath));
  if (*cardState != RecordState::Whole) {
    if (*cardState == RecordState::CutShort && ftruncate(card.get(), intent.cardRecord.at) != 0) {
      return incomplete("cannot cut " + errorText(cardPath));
    }
    removeIntent(intentPath);
    return {};
  }

  RecordFile tripLog(tripLogPath, WhenMissing::Create);
  tripLog.lock();
  if (!tripLog.isOpen()) return incomplete("cannot open " + errorText(tripLogPath));
  const auto logState = stateIn(tripLog.fd(), intent.tripLogRecord);
  if (!logState) return incomplete("cannot read " + errorText(tripLogPath));
  if (*logState != RecordState::Whole) {
    if (*logState == RecordState::CutShort && !tripLog.cutTo(intent.tripLogRecord.at)) {
      return incomplete("cannot cut " + errorText(tripLogPath));
    }
    // The record itself, without the line feed that may have ended the
    // file's last line then: append puts one back if it is needed now.
    std::string_view record = intent.tripLogRecord.bytes;
    if (record.front() == '\n') record.remove_prefix(1);
    if (!tripLog.append(record)) return incomplete("cannot write " + errorText(tripLogPath));
  }
  removeIntent(intentPath);
  return {};
}

}  // namespace

IntentOutcome completeIntent(const std::string& intentPath, const std::string& tripLogPath) {
  removeLeftoverTemporaries(intentPath);  // a kill before the rename: no tap began
  const FileDescriptor note = openRegularFile(intentPath, O_RDONLY);
  if (!note.valid()) {
    if (errno == ENOENT) return {};
    // A link, a FIFO, a directory: nothing this terminal writes.
    if (errno == ELOOP || errno == EINVAL) return setAside(intentPath);
    return incomplete("cannot read " + errorText(intentPath));
  }
  const auto text = readUpTo(note.get(), 0, kMaxIntentSize);
  if (!text) return incomplete("cannot read " + errorText(intentPath));
  if (text->empty()) {
    if (unlink(intentPath.c_str()) != 0)
      return incomplete("cannot remove " + errorText(intentPath));
    return {IntentFate::RemovedEmpty, ""};
  }
  const std::optional<TapIntent> intent = decodeIntent(*text);
  if (!intent) return setAside(intentPath);
  return complete(*intent, intentPath, tripLogPath);
}
