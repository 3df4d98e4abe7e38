#include "common/formats/statement.h"

#include <algorithm>

#include "common/base/text.h"

namespace {

constexpr size_t kColumns = 7;
constexpr size_t kClockDigitsMax = 20;

// A plain decimal number: digits without a leading zero (or "0"), with a
// minus sign when `signedNumber`.
std::optional<long long> plainNumber(std::string_view text, bool signedNumber) {
  const std::string_view digits = signedNumber && text.starts_with('-') ? text.substr(1) : text;
  if (!isDecimalDigits(digits) || (digits.size() > 1 && digits.front() == '0')) return std::nullopt;
  return decimalNumber<long long>(text, Minus::Allowed);
}

}  // namespace

std::string formatStatementLine(const StatementLine& line) {
  return std::to_string(line.cycle) + "," + line.clock + "," + std::to_string(line.records) + "," +
         std::to_string(line.fees[kBusOperator]) + "," + std::to_string(line.fees[kMetroOperator]) +
         "," + std::to_string(line.shares[kBusOperator]) + "," +
         std::to_string(line.shares[kMetroOperator]) + "\n";
}

std::optional<StatementLine> parseStatementLine(std::string_view text) {
  std::string_view columns[kColumns];
  for (size_t i = 0; i < kColumns; ++i) {
    const size_t comma = i + 1 < kColumns ? text.find(',') : text.size();
    if (comma == std::string_view::npos) return std::nullopt;
    columns[i] = text.substr(0, comma);
    text.remove_prefix(std::min(text.size(), comma + 1));
  }
  if (columns[kColumns - 1].find(',') != std::string_view::npos) return std::nullopt;
  StatementLine line;
  const auto cycle = plainNumber(columns[0], false);
  const auto records = plainNumber(columns[2], false);
  if (!cycle || *cycle < 1 || !records) return std::nullopt;
  if (!isDecimalDigits(columns[1]) || columns[1].size() > kClockDigitsMax) return std::nullopt;
  line.cycle = *cycle;
  line.clock = columns[1];
  line.records = *records;
  for (size_t i = 0; i < 4; ++i) {
    const auto amount = plainNumber(columns[3 + i], true);
    if (!amount) return std::nullopt;
    (i < 2 ? line.fees : line.shares)[i % 2] = *amount;
  }
  if (wrappingSum(line.shares[0], line.shares[1]) != wrappingSum(line.fees[0], line.fees[1])) {
    return std::nullopt;
  }
  return line;
}

StatementRow StatementReader::row(std::string_view text, bool ended) {
  StatementRow row;
  row.number = ++number_;
  row.text = text.substr(0, std::min(text.size(), kStatementLineMax + 1));
  row.ended = ended;
  if (row.number == 1) {
    row.header = row.text == kStatementHeader.substr(0, kStatementHeader.size() - 1);
  } else {
    row.line = parseStatementLine(row.text);
  }
  return row;
}
