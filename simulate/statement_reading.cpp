#include "simulate/statement_reading.h"

#include <fcntl.h>

#include "common/base/problem.h"
#include "common/files/file_handle.h"
#include "common/files/world_layout.h"

namespace {

// The statement's bytes; nullopt when it is missing.
Result<std::optional<std::string>> statementText(const std::filesystem::path& world) {
  return readRegularFileIfPresent((world / kStatementName).string(), std::string(kStatementName));
}

}  // namespace

size_t statementLineCount(const std::filesystem::path& world) {
  const Result<std::optional<std::string>> text = statementText(world);
  if (!text || !*text) return 0;
  StatementReader reader;
  reader.read(**text, [](const StatementRow&) {});
  // The header is no cycle.
  return reader.lines() > 0 ? static_cast<size_t>(reader.lines() - 1) : 0;
}

StatementRead readStatement(const std::filesystem::path& world) {
  StatementRead read;
  const Result<std::optional<std::string>> text = statementText(world);
  if (const Problem* unread = text.problem()) {
    read.problem = *unread;
    return read;
  }
  if (!*text) {
    read.problem = Problem(std::string(kStatementName) + " is missing", Problem::Kind::kMissing);
    return read;
  }
  readStatementText(**text, [&](const StatementRow& row) {
    if (row.number == 1) return;  // the header
    if (row.line) {
      read.lines.push_back(*row.line);
    } else if (!read.problem) {
      read.problem = Problem(std::string(kStatementName) + " line " + std::to_string(row.number) +
                                 " is no statement line",
                             Problem::Kind::kMalformed);
    }
  });
  return read;
}
