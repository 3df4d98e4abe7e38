// Arbitrary bytes as a card file. The lookup finds the records that a
// reading from the start finds (top-ups read past); read backwards from the
// end with any block size it finds the same, or, under a bound on a line's length, nothing. A
// record parsed from them holds exactly its columns, and the record a
// terminal writes from those fields (as it does when it continues a journey
// id) is one whole line that parses back to the same fields.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "terminal/card_lookup.h"
#include "terminal/card_record.h"

namespace {

void check(bool condition) {
  if (!condition) abort();
}

// The records as a reading from the start finds them: every line ends
// after its line feed, a last line without one still counts; the newest
// line gives the balance, the last two lines that are no top-up the rest,
// and the top-ups after the record before are what was credited.
std::optional<CardRecords> forwardRecords(std::string_view content,
                                          std::string_view defaultRecord) {
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < content.size();) {
    const size_t feed = content.find('\n', start);
    const size_t end = feed == std::string_view::npos ? content.size() : feed + 1;
    lines.push_back(content.substr(start, end - start));
    start = end;
  }
  std::vector<size_t> taps;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!isTopUp(lines[i])) taps.push_back(i);
  }
  if (taps.empty()) return std::nullopt;
  const size_t lastTap = taps.back();
  const bool hasBefore = taps.size() >= 2;
  std::optional<CardInfo> last = parseRecord(lines[lastTap]);
  std::optional<CardInfo> before =
      parseRecord(hasBefore ? lines[taps[taps.size() - 2]] : defaultRecord);
  if (!last || !before) return std::nullopt;
  CardRecords records;
  long long balance = before->balance;
  for (size_t i = hasBefore ? taps[taps.size() - 2] + 1 : 0; i < lines.size(); ++i) {
    const int lineBalance = recordAmount(splitRecord(lines[i])->amount);
    if (isTopUp(lines[i])) records.credited += lineBalance - balance;
    balance = lineBalance;
  }
  last->balance = static_cast<int>(balance);
  records.last = *last;
  records.before = *before;
  records.endsWithLineFeed = content.back() == '\n';
  return records;
}

std::optional<CardRecords> wholeReading(std::string_view content, std::string_view defaultRecord,
                                        size_t maxLine) {
  const TailReading reading = readCardTail(content, true, defaultRecord, maxLine);
  if (reading.verdict == TailVerdict::NeedMore) abort();
  if (reading.verdict != TailVerdict::Found) return std::nullopt;
  return reading.records;
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
  constexpr const char* kDefault = "000000000000,METRO,OUT,0,00";
  const std::optional<CardRecords> whole = wholeReading(content, kDefault, SIZE_MAX);
  check(whole == forwardRecords(content, kDefault));
  if (whole) {
    checkRecord(whole->last);
    checkRecord(whole->before);
  }

  const int fd = memfd_create("card", MFD_CLOEXEC);
  if (fd < 0) return 0;
  if (write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size())) {
    // Read backwards in blocks of any size: what the whole file gives under
    // the same bound on a line, and that under no bound when it finds any.
    for (const size_t maxLine : {1, 16, 100, 4096}) {
      const std::optional<CardRecords> bounded = wholeReading(content, kDefault, maxLine);
      check(!bounded || bounded == whole);
      for (const size_t block : {1, 7, 64, 4096}) {
        check(readCardRecords(fd, static_cast<off_t>(size), kDefault, block, maxLine) == bounded);
      }
    }
  }
  close(fd);
  return 0;
}
