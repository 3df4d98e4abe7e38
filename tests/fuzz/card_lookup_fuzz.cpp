// Arbitrary bytes as a card file. Read backwards from the end with any block
// size, the lookup finds the last two lines that a reading from the start
// finds, or, under a bound on the line length, nothing when either of them
// is longer. A record parsed from them holds exactly its columns, and the
// record a terminal writes from those fields (as it does when it continues a
// journey id) is one whole line that parses back to the same fields.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "terminal/card_lookup.h"
#include "terminal/card_record.h"

namespace {

void check(bool condition) {
  if (!condition) abort();
}

LastTwoLines forwardLastTwo(std::string_view content) {
  LastTwoLines lines;
  size_t start = 0;
  while (start < content.size()) {
    const size_t feed = content.find('\n', start);
    const size_t end = feed == std::string_view::npos ? content.size() : feed + 1;
    lines.before = lines.last;
    lines.last = std::string(content.substr(start, end - start));
    start = end;
  }
  return lines;
}

bool sameLines(const LastTwoLines& a, const LastTwoLines& b) {
  return a.last == b.last && a.before == b.before;
}

// Times that survive being written as text: fields of two digits, and not
// the one clock value (a multiple of 10^8) that reads back as "no time".
bool writableTime(const TimeInfo& t) {
  const bool zero = t.minute == 0 && t.hour == 0 && t.day == 0 && t.month == 0;
  if (zero) return t.year == 0;
  for (const int field : {t.minute, t.hour, t.day, t.month}) {
    if (field < 0 || field > 99) return false;
  }
  return t.year == 2014;
}

void checkRecord(const CardInfo& record) {
  check(!record.transport.empty() && record.transport.find(',') == std::string::npos);
  check(!record.journey_id.empty() && record.journey_id.find(',') == std::string::npos);
  check(record.inout == 0 || record.inout == 1);
  const std::string line =
      recordLine(record.time, record.transport, record.inout, record.balance, record.journey_id);
  check(line.back() == '\n' && line.find('\n') == line.size() - 1);
  const std::optional<CardInfo> again = parseRecord(line);
  check(again.has_value());
  check(again->transport == record.transport && again->inout == record.inout &&
        again->balance == record.balance);
  const std::string id =
      record.journey_id.back() == '\n' ? record.journey_id : record.journey_id + "\n";
  check(again->journey_id == id);
  if (writableTime(record.time)) {
    const TimeInfo& t = again->time;
    check(t.year == record.time.year && t.month == record.time.month && t.day == record.time.day &&
          t.hour == record.time.hour && t.minute == record.time.minute);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  const LastTwoLines expected = forwardLastTwo(content);
  const std::optional<LastTwoLines> whole = lastTwoLines(content, true);
  check(whole && sameLines(*whole, expected));

  const int fd = memfd_create("card", MFD_CLOEXEC);
  if (fd < 0) return 0;
  if (write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size())) {
    for (const size_t block : {1, 3, 64, 4096}) {
      const std::optional<LastTwoLines> read = readLastTwoLines(fd, block);
      check(read && sameLines(*read, expected));
    }
    // Under a bound the same lines come back while both fit, none otherwise.
    for (const size_t maxLine : {1, 16, 100}) {
      const auto fits = [&](const std::optional<std::string>& line) {
        return !line || line->size() <= maxLine;
      };
      const bool found = fits(expected.last) && fits(expected.before);
      for (const size_t block : {1, 7, 4096}) {
        const std::optional<LastTwoLines> read = readLastTwoLines(fd, block, maxLine);
        check(read.has_value() == found && (!read || sameLines(*read, expected)));
      }
    }
  }
  close(fd);

  for (const char* defaultRecord : {"000000000000,METRO,OUT,0,00", "000000000000,BUS,OUT,0,60"}) {
    const std::optional<CardRecords> records = cardRecords(expected, defaultRecord);
    check(records.has_value() == (expected.last && parseRecord(*expected.last) &&
                                  parseRecord(expected.before.value_or(defaultRecord))));
    if (!records) continue;
    checkRecord(records->last);
    checkRecord(records->before);
  }
  return 0;
}
