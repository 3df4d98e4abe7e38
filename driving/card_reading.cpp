#include "driving/card_reading.h"

#include <fcntl.h>

#include "common/files/file_handle.h"
#include "common/formats/record_format.h"

std::vector<CardRecord> recordsIn(std::string_view appended, size_t& used) {
  std::vector<CardRecord> records;
  used = 0;
  for (;;) {
    const size_t end = appended.find('\n', used);
    if (end == std::string_view::npos) break;
    const std::string_view line = appended.substr(used, end - used);
    used = end + 1;
    const std::optional<RecordColumns> columns = splitRecord(line);
    if (!columns) continue;
    records.push_back({std::string(columns->time), std::string(columns->transport),
                       recordAmount(columns->amount), std::string(columns->journeyId)});
  }
  return records;
}

std::string cardBytesFrom(const std::string& path, off_t at) {
  const Result<FileDescriptor> file = openRegular(path, O_RDONLY);
  if (!file) return {};
  return readToEnd(file->get(), at).value_or(std::string());
}

std::vector<CardRecord> cardRecords(const std::string& path) {
  size_t used = 0;
  return recordsIn(cardBytesFrom(path, 0), used);
}
