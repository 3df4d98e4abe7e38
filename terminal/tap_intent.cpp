#include "terminal/tap_intent.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/file_handle.h"
#include "common/text.h"

namespace {

constexpr std::string_view kIntentMagic = "tap-intent 1";
constexpr size_t kMaxIntentSize = 1 << 16;

// Fields are "<length>:<bytes>\n", so paths and records need no escaping.
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
  putField(text, intent.cardPath);
  putField(text, std::to_string(intent.card.at));
  putField(text, intent.card.bytes);
  putField(text, intent.tripLogPath);
  putField(text, std::to_string(intent.tripLog.at));
  putField(text, intent.tripLog.bytes);
  return text;
}

std::optional<TapIntent> decodeIntent(std::string_view text) {
  std::optional<std::string_view> fields[7];
  for (auto& field : fields) {
    field = takeField(text);
    if (!field) return std::nullopt;
  }
  const auto cardAt = offsetOf(*fields[2]);
  const auto logAt = offsetOf(*fields[5]);
  if (*fields[0] != kIntentMagic || !text.empty() || !cardAt || !logAt || fields[3]->empty() ||
      fields[6]->empty()) {
    return std::nullopt;
  }
  return TapIntent{std::string(*fields[1]),
                   {*cardAt, std::string(*fields[3])},
                   std::string(*fields[4]),
                   {*logAt, std::string(*fields[6])}};
}

RecordState recordState(std::string_view fromOffset, std::string_view bytes) {
  if (fromOffset.starts_with(bytes)) return RecordState::Whole;
  if (!fromOffset.empty() && fromOffset.size() < bytes.size() && bytes.starts_with(fromOffset)) {
    return RecordState::CutShort;
  }
  return RecordState::Absent;
}

bool writeIntent(const std::string& intentPath, const TapIntent& intent) {
  const std::string temporary = intentPath + ".tmp";
  const std::string text = encodeIntent(intent);
  {
    const FileDescriptor file = openRegularFile(temporary, O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (!file.valid()) return false;
    if (!writeAll(file.get(), text)) {
      unlink(temporary.c_str());
      return false;
    }
  }
  return rename(temporary.c_str(), intentPath.c_str()) == 0;
}

void removeIntent(const std::string& intentPath) {
  unlink(intentPath.c_str());
}

std::optional<std::string> completeIntent(const std::string& intentPath) {
  unlink((intentPath + ".tmp").c_str());  // a kill before the rename: no tap began
  const FileDescriptor note = openRegularFile(intentPath, O_RDONLY);
  if (!note.valid()) {
    if (errno == ENOENT) return std::nullopt;
    return "cannot read " + errorText(intentPath);
  }
  const auto text = readUpTo(note.get(), 0, kMaxIntentSize);
  const auto intent = text ? decodeIntent(*text) : std::nullopt;
  if (!intent) return "cannot read " + intentPath + ": not an intent this terminal wrote";

  // The card first, under its lock, as a tap takes it.
  FileDescriptor card = openRegularFile(intent->cardPath, O_RDWR);
  if (!card.valid() && errno == ENOENT) {
    removeIntent(intentPath);
    return std::nullopt;
  }
  if (!card.valid()) return "cannot open " + errorText(intent->cardPath);
  lockFile(card.get(), LOCK_EX);
  const auto cardState = stateIn(card.get(), intent->card);
  if (!cardState) return "cannot read " + errorText(intent->cardPath);
  if (*cardState != RecordState::Whole) {
    if (*cardState == RecordState::CutShort && ftruncate(card.get(), intent->card.at) != 0) {
      return "cannot cut " + errorText(intent->cardPath);
    }
    removeIntent(intentPath);
    return std::nullopt;
  }

  RecordFile tripLog(intent->tripLogPath);
  tripLog.lock();
  if (!tripLog.isOpen()) return "cannot open " + errorText(intent->tripLogPath);
  const auto logState = stateIn(tripLog.fd(), intent->tripLog);
  if (!logState) return "cannot read " + errorText(intent->tripLogPath);
  if (*logState != RecordState::Whole) {
    if (*logState == RecordState::CutShort && !tripLog.cutTo(intent->tripLog.at)) {
      return "cannot cut " + errorText(intent->tripLogPath);
    }
    // The record itself, without the line feed that may have ended the
    // file's last line then: append puts one back if it is needed now.
    std::string_view record = intent->tripLog.bytes;
    if (record.front() == '\n') record.remove_prefix(1);
    if (!tripLog.append(record)) return "cannot write " + errorText(intent->tripLogPath);
  }
  removeIntent(intentPath);
  return std::nullopt;
}
