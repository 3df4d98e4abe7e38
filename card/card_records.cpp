#include "card/card_records.h"

#include <algorithm>
#include <climits>
#include <string>

#include "common/formats/record_format.h"
#include "common/formats/time_info.h"

namespace {

constexpr std::string_view kZeroTime = "000000000000";
constexpr std::string_view kProvisioningJourney = "00";
// A clock text is a time text (common/formats/time_info.h) of at most this length.
constexpr size_t kLongestClock = 20;

}  // namespace

std::optional<std::string_view> lastLineOf(std::string_view tail, bool wholeFile) {
  if (tail.empty()) return std::nullopt;
  if (tail.back() == '\n') tail.remove_suffix(1);
  const size_t before = tail.rfind('\n');
  if (before == std::string_view::npos) {
    if (!wholeFile) return std::nullopt;
    return tail;
  }
  return tail.substr(before + 1);
}

std::optional<int> topUpAmount(std::string_view text) {
  const std::optional<int> value = decimalNumber<int>(text);
  if (!value || *value < 1) return std::nullopt;
  return value;
}

std::optional<std::string> topUpStamp(const std::optional<std::string>& clockFile) {
  if (!clockFile) return std::string(kZeroTime);
  std::string_view text = *clockFile;
  if (text.ends_with('\n')) text.remove_suffix(1);
  if (!isDecimalDigits(text) || text.size() < kTimeTextLength || text.size() > kLongestClock) {
    return std::nullopt;
  }
  return std::to_string(kTerminalYear) + std::string(afterYear(text));
}

Result<TopUp> topUpRecord(std::string_view tail, bool wholeFile, int amount,
                          std::string_view stamp) {
  if (tail.empty()) return Problem("its file is empty", Problem::Kind::kMalformed);
  if (!tail.ends_with('\n')) {
    return Problem("its file does not end with a line feed", Problem::Kind::kMalformed);
  }
  const std::optional<std::string_view> line = lastLineOf(tail, wholeFile);
  if (!line) return Problem("its last line is longer than any record", Problem::Kind::kMalformed);
  const std::optional<RecordColumns> last = splitRecord(*line);
  if (!last) return Problem("its last line holds no record", Problem::Kind::kMalformed);
  TopUp topUp;
  topUp.before = recordAmount(last->amount);
  const long long after = static_cast<long long>(topUp.before) + amount;
  if (after > INT_MAX) {
    return Problem("its balance would be " + std::to_string(after) + ", past " +
                   std::to_string(INT_MAX));
  }
  topUp.after = static_cast<int>(after);
  topUp.record = formatRecord(stamp, kTopUpTransport, true, topUp.after, last->journeyId);
  return topUp;
}

std::string provisioningRecord(int balance) {
  return formatRecord(kZeroTime, kNewCardTransport, false, balance, kProvisioningJourney);
}

Result<int> provisioningBalance(std::string_view text) {
  const bool negative = text.starts_with('-');
  std::string_view digits = negative ? text.substr(1) : text;
  const std::optional<long long> value = decimalNumber<long long>(digits);
  if (!value || *value > INT_MAX + static_cast<long long>(negative)) {
    return Problem("balance '" + std::string(text) + "' is not a whole number in the 32-bit range");
  }
  if (negative && *value != 0) {
    return Problem("balance '" + std::string(text) + "' is negative; a card starts with 0 or more");
  }
  return static_cast<int>(*value);
}
