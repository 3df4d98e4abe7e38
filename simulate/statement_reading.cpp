#include "simulate/statement_reading.h"

#include <fstream>
#include <sstream>

#include "common/files/world_layout.h"

namespace {

std::string statementText(const std::filesystem::path& world) {
  std::ifstream in(world / kStatementName, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

size_t statementLineCount(const std::filesystem::path& world) {
  const std::string text = statementText(world);
  size_t lines = 0;
  for (const char c : text) lines += c == '\n';
  // The header is no cycle.
  return lines > 0 ? lines - 1 : 0;
}

std::vector<StatementLine> readStatement(const std::filesystem::path& world,
                                         std::optional<std::string>& problem) {
  const std::string text = statementText(world);
  std::vector<StatementLine> lines;
  size_t at = 0;
  size_t number = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = std::string_view(text).substr(at, end - at);
    ++number;
    at = end + 1;
    if (number == 1) continue;  // the header
    if (const std::optional<StatementLine> parsed = parseStatementLine(line)) {
      lines.push_back(*parsed);
    } else if (!problem) {
      problem = "statement.csv line " + std::to_string(number) + " is no statement line";
    }
  }
  return lines;
}
