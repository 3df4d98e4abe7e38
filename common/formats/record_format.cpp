#include "common/formats/record_format.h"

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
