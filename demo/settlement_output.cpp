#include "demo/settlement_output.h"

#include <optional>

#include "common/base/text.h"
#include "settlement/settlement_constants.h"

namespace {

constexpr std::string_view kAmount = "%lld";

// The amount of `line` when it is `format` with its amount filled in.
std::optional<long long> amountIn(std::string_view line, std::string_view format) {
  const size_t hole = format.find(kAmount);
  const std::string_view before = format.substr(0, hole);
  const std::string_view after = format.substr(hole + kAmount.size());
  if (!line.starts_with(before) || !line.ends_with(after) ||
      line.size() < before.size() + after.size()) {
    return std::nullopt;
  }
  const std::string_view digits =
      line.substr(before.size(), line.size() - before.size() - after.size());
  return decimalNumber<long long>(digits, Minus::Allowed);
}

// The line of `text` from `at` on, its line feed included; empty when no
// whole line is left.
std::string_view lineAt(std::string_view text, size_t at) {
  const size_t end = text.find('\n', at);
  return end == std::string_view::npos ? std::string_view() : text.substr(at, end + 1 - at);
}

}  // namespace

std::vector<SettlementResult> settlementResults(std::string_view output) {
  const std::string_view title = kResultTitleText;
  std::vector<SettlementResult> results;
  for (size_t at = output.find(title); at != std::string_view::npos;
       at = output.find(title, at + 1)) {
    const std::string_view busLine = lineAt(output, at + title.size());
    const std::string_view metroLine = lineAt(output, at + title.size() + busLine.size());
    const std::optional<long long> bus = amountIn(busLine, kBusResultFormat);
    const std::optional<long long> metro = amountIn(metroLine, kMetroResultFormat);
    if (!bus || !metro) continue;
    results.push_back(
        {*bus, *metro, std::string(title) + std::string(busLine) + std::string(metroLine)});
  }
  return results;
}
