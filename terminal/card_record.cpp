#include "terminal/card_record.h"

TimeInfo recordTime(std::string_view column) {
  if (const std::optional<TimeInfo> t = timeByLayout(column)) return *t;
  const int value = timeKey(column);
  return value == 0 ? TimeInfo{} : clockValueToTime(value);
}

std::optional<CardInfo> parseRecord(std::string_view line) {
  const std::optional<RecordColumns> columns = splitRecord(line);
  if (!columns) return std::nullopt;
  return recordOf(*columns);
}

CardInfo recordOf(const RecordColumns& columns) {
  CardInfo record;
  record.time = recordTime(columns.time);
  record.transport = std::string(columns.transport);
  record.inout = isEntry(columns.direction) ? 1 : 0;
  record.balance = recordAmount(columns.amount);
  record.journey_id = std::string(columns.journeyId);
  return record;
}

bool isTopUp(std::string_view line) {
  const std::optional<RecordColumns> columns = splitRecord(line);
  return columns && columns->transport == kTopUpTransport;
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
  return formatRecord(timeText(clock), transport, tap_inout != 0, amount, journeyId);
}

std::string newJourneyId(std::string_view identifierDigits, int count) {
  return std::string(identifierDigits) + std::to_string(count);
}
