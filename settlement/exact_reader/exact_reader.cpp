#include "settlement/exact_reader/exact_reader.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "common/sleep.h"
#include "settlement/exact_reader/log_lines.h"
#include "settlement/list/list.h"
#include "settlement/settlement.h"
#include "settlement/settlement_constants.h"

int collection_period = 0;

namespace {

// The whole log in one open, one pass, one close; nullopt when it cannot be
// opened.
std::optional<std::string> readLog(const char* path) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(fopen(path, "r+"), &fclose);
  if (!file) return std::nullopt;
  std::string content;
  char block[1 << 16];
  size_t got = 0;
  while ((got = fread(block, 1, sizeof block, file.get())) > 0) content.append(block, got);
  return content;
}

}  // namespace

void collectLogs() {
  for (const char* path : filename) {
    const std::optional<std::string> content = readLog(path);
    if (!content) continue;
    for (std::string_view line : completeLogLines(*content)) addNode(line);
  }
}

void reader(void*) {
  for (;;) {
    Sleep(collection_period);
    collectLogs();
    list_filled.post();
    list_settled.await();
  }
}
