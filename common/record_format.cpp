#include "common/record_format.h"

#include "common/text.h"

std::optional<RecordColumns> splitRecord(std::string_view line) {
  const auto columns = splitFields(line, ',');
  if (columns.size() < 5) return std::nullopt;
  return RecordColumns{columns[0], columns[1], columns[2], columns[3], columns[4]};
}

bool isEntry(std::string_view direction) {
  return direction.substr(0, 2) == kEntryDirection;
}

int recordAmount(std::string_view amount) {
  return readInt(amount);
}

std::string formatRecord(std::string_view time, std::string_view transport, bool entry,
                         long long amount, std::string_view journeyId) {
  std::string line(time);
  line += ',';
  line += transport;
  line += ',';
  line += entry ? kEntryDirection : kExitDirection;
  line += ',';
  line += std::to_string(amount);
  line += ',';
  line += journeyId;
  if (line.back() != '\n') line += '\n';
  return line;
}
