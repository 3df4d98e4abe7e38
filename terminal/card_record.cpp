#include "terminal/card_record.h"

#include "common/text.h"

std::string cardFilePath(std::string_view card) {
  return std::string(kCustomerDir) + std::string(card) + ".txt";
}

TimeInfo recordTime(std::string_view column) {
  if (const std::optional<TimeInfo> t = timeByLayout(column)) return *t;
  const int value = column.size() < 5 ? 0 : readInt(column.substr(4));
  return value == 0 ? TimeInfo{} : clockValueToTime(value);
}

std::optional<CardInfo> parseRecord(std::string_view line) {
  const auto columns = splitFields(line, ',');
  if (columns.size() < 5) return std::nullopt;
  CardInfo record;
  record.time = recordTime(columns[0]);
  record.transport = std::string(columns[1]);
  record.inout = columns[2].substr(0, 2) == "IN" ? 1 : 0;
  record.balance = readInt(columns[3]);
  record.journey_id = std::string(columns[4]);
  return record;
}

void takeRecord(CardInfo& into, const CardInfo& record) {
  into.time = record.time;
  into.transport = record.transport;
  into.inout = record.inout;
  into.balance = record.balance;
  into.journey_id = record.journey_id;
}

std::string recordLine(TimeInfo clock, std::string_view transport, int tap_inout, int amount,
                       std::string_view journeyId) {
  std::string line = timeText(clock);
  line += ',';
  line += transport;
  line += tap_inout != 0 ? ",IN," : ",OUT,";
  line += std::to_string(amount);
  line += ',';
  line += journeyId;
  if (line.back() != '\n') line += '\n';
  return line;
}

std::string newJourneyId(std::string_view identifierDigits, int count) {
  return std::string(identifierDigits) + std::to_string(count);
}
