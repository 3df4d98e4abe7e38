#include "common/formats/card_history.h"

#include <sys/types.h>

#include <algorithm>
#include <span>
#include <string>

#include "common/files/file_handle.h"

namespace {
constexpr size_t kBlock = 1 << 16;
}  // namespace

CardEntry CardHistory::next(std::string_view line) {
  CardEntry entry;
  entry.line = ++lines_;
  const std::optional<RecordColumns> columns = splitRecord(line);
  if (!columns) return entry;
  entry.columns = *columns;
  entry.balance = recordAmount(columns->amount);
  const long long change = static_cast<long long>(entry.balance) - balance_.value_or(0);
  if (!balance_) {
    entry.kind = CardEntryKind::kProvisioning;
  } else if (columns->transport == kTopUpTransport) {
    entry.kind = CardEntryKind::kTopUp;
    entry.amount = change;
  } else if (change > 0) {
    entry.kind = CardEntryKind::kOtherCredit;
    entry.amount = change;
  } else {
    entry.kind = CardEntryKind::kCharge;
    entry.amount = -change;
  }
  balance_ = entry.balance;
  return entry;
}

Result<void> forEachCardLine(int fd, const std::function<void(std::string_view)>& take,
                             size_t limit) {
  std::string line;
  bool overlong = false;
  std::string block(kBlock, '\0');
  for (off_t at = 0; limit > 0;) {
    const size_t asked = std::min(block.size(), limit);
    const Result<size_t> got = readInto(fd, std::span(block.data(), asked), at);
    if (!got) return *got.problem();
    if (*got == 0) break;
    limit -= *got;
    at += static_cast<off_t>(*got);
    for (const char c : std::string_view(block.data(), *got)) {
      if (c == '\n') {
        take(overlong ? std::string_view() : std::string_view(line));
        line.clear();
        overlong = false;
      } else if (line.size() < kMaxCardLine) {
        line += c;
      } else {
        overlong = true;
      }
    }
  }
  if (!line.empty() || overlong) take(overlong ? std::string_view() : std::string_view(line));
  return {};
}
