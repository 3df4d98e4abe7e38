#include "common/trip_log_reading.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "common/record_format.h"
#include "common/text.h"

namespace {

constexpr size_t kBlockSize = 1 << 16;
constexpr size_t kYearLength = 4;
constexpr size_t kTransportPrefix = 3;

}  // namespace

std::optional<size_t> nextLogRead(std::string_view rest) {
  const std::string_view window = rest.substr(0, std::min(kLogReadMax, rest.size()));
  const size_t lineFeed = window.find('\n');
  if (lineFeed != std::string_view::npos) return lineFeed + 1;
  // Stopped by the read's size, not by the end of the file.
  if (window.size() == kLogReadMax) return kLogReadMax;
  return std::nullopt;
}

LogReading readLogFrom(int fd, off_t from, const LogReadSink& take) {
  // What is left of a block after its taken reads is shorter than one read,
  // so it always fits in front of the next block.
  const auto buffer = std::make_unique<char[]>(kLogReadMax + kBlockSize);
  size_t held = 0;
  LogReading reading{from, false};
  for (;;) {
    const ssize_t got =
        pread(fd, buffer.get() + held, kBlockSize, reading.end + static_cast<off_t>(held));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      reading.failed = got < 0;
      return reading;
    }
    held += static_cast<size_t>(got);
    const std::string_view data(buffer.get(), held);
    size_t at = 0;
    while (const std::optional<size_t> length = nextLogRead(data.substr(at))) {
      take(data.substr(at, *length), reading.end + static_cast<off_t>(at));
      at += *length;
    }
    reading.end += static_cast<off_t>(at);
    held -= at;
    memmove(buffer.get(), buffer.get() + at, held);
  }
}

std::vector<std::string_view> completeLogLines(std::string_view content) {
  std::vector<std::string_view> lines;
  while (const std::optional<size_t> length = nextLogRead(content)) {
    lines.push_back(content.substr(0, *length));
    content.remove_prefix(*length);
  }
  return lines;
}

std::optional<Operator> operatorOf(std::string_view transport) {
  const std::string_view prefix = transport.substr(0, kTransportPrefix);
  if (prefix == kBusTransport.substr(0, kTransportPrefix)) return kBusOperator;
  if (prefix == kMetroTransport.substr(0, kTransportPrefix)) return kMetroOperator;
  return std::nullopt;
}

std::optional<TripRecord> parseTripRecord(std::string_view read) {
  if (read.size() < kYearLength) return std::nullopt;
  // The year is skipped before the split, so the time column is MMDDhhmm.
  const std::optional<RecordColumns> columns = splitRecord(read.substr(kYearLength));
  if (!columns) return std::nullopt;
  const std::optional<Operator> op = operatorOf(columns->transport);
  if (!op) return std::nullopt;
  TripRecord record;
  record.time_key = readInt(columns->time);
  record.op = *op;
  record.transport = columns->transport;
  record.inout = isEntry(columns->direction) ? 1 : 0;
  record.fee = recordAmount(columns->amount);
  record.journey_id = columns->journeyId;
  return record;
}
