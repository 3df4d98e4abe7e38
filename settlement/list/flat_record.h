// One trip record as the settlement's cycle keeps it: sixteen bytes, built
// in place from its log read, with nothing allocated for it.
//
// Beside the time key and the fee, one 64-bit word holds the operator the
// transport names, whether the direction is an entry, whether the record is
// fresh (settled for the first time by this cycle), and the journey id. A
// journey id of up to 15 characters, each a digit or the line feed (as
// every id a terminal writes), is packed into the word, a character to four
// bits; any other id is kept in its file's spill text, the word saying
// where. Two ids are the same text exactly when sameJourney says so.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "common/formats/trip_log_reading.h"

struct FlatRecord {
  int32_t time_key = 0;  // MMDDhhmm of the record's time stamp: 12050008
  int32_t fee = 0;
  uint64_t word = 0;  // the flags below and the journey id

  static constexpr uint64_t kMetro = 1;  // the transport names the metro
  static constexpr uint64_t kEntry = 2;  // the direction begins with "IN"
  static constexpr uint64_t kFresh = 4;
  static constexpr uint64_t kSpilled = 8;  // the id is in the spill text
  static constexpr uint64_t kNotId = kMetro | kEntry | kFresh;

  Operator op() const { return (word & kMetro) != 0 ? kMetroOperator : kBusOperator; }
  bool entry() const { return (word & kEntry) != 0; }
  bool fresh() const { return (word & kFresh) != 0; }
};

// A record's journey id: its word and the spill text of its file.
struct JourneyIdRef {
  uint64_t word = 0;
  const char* spill = nullptr;
};

namespace flat_record_detail {

inline constexpr int kPackedCharacters = 15;
inline constexpr int kLengthBits = 7;  // a spilled id is shorter than a read
inline constexpr uint64_t kLineFeedCode = 10;

inline size_t spilledLength(uint64_t word) {
  return static_cast<size_t>((word >> 4) & ((1u << kLengthBits) - 1));
}
inline size_t spilledAt(uint64_t word) {
  return static_cast<size_t>(word >> (4 + kLengthBits));
}

}  // namespace flat_record_detail

// The record of `record`, fresh or not. An id that does not pack is
// appended to `spill`.
inline FlatRecord flatRecord(const TripRecord& record, bool fresh, std::string& spill) {
  using namespace flat_record_detail;
  FlatRecord flat;
  flat.time_key = record.time_key;
  flat.fee = record.fee;
  uint64_t flags = (record.op == kMetroOperator ? FlatRecord::kMetro : 0) |
                   (record.inout != 0 ? FlatRecord::kEntry : 0) | (fresh ? FlatRecord::kFresh : 0);
  const std::string_view id = record.journey_id;
  uint64_t code = 0;
  bool packs = id.size() <= kPackedCharacters;
  for (size_t i = 0; packs && i < id.size(); ++i) {
    const unsigned digit = static_cast<unsigned char>(id[i] - '0');
    packs = digit <= 9 || id[i] == '\n';
    code = code << 4 | (digit <= 9 ? digit : kLineFeedCode);
  }
  if (packs) {
    // Left-aligned, the unused characters all ones: no id packs like another.
    const int unused = 4 * (kPackedCharacters - static_cast<int>(id.size()));
    const uint64_t fill = unused == 0 ? 0 : (uint64_t{1} << unused) - 1;
    flat.word = ((code << unused) | fill) << 4 | flags;
    return flat;
  }
  flags |= FlatRecord::kSpilled;
  flat.word = static_cast<uint64_t>(spill.size()) << (4 + kLengthBits) |
              static_cast<uint64_t>(id.size()) << 4 | flags;
  spill.append(id);
  return flat;
}

// The time key's digits in a line as the terminals write it: MMDDhhmm.
inline constexpr size_t kTerminalTimeKeyDigits = kTimeTextLength - kYearWidth;

// The longest line readTerminalLine takes: year, MMDDhhmm, "METRO", "OUT",
// a fee of nine digits and an id of fourteen digits, with their commas and
// the line feed.
inline constexpr size_t kLongestTerminalLine = kTimeTextLength + 1 + 6 + 4 + 10 + 15;

// A line as the terminals write it, in one scan: "201412050008,METRO,IN,
// 1250,15\n", exactly (four characters of year without a line feed, eight
// digits, BUS or METRO, IN or OUT, a fee of one to nine digits, an id of up
// to fourteen digits and the line feed). Its length, with its record in
// `record` (not fresh), or 0 for any other line. `line` must hold at least
// kLongestTerminalLine characters. Such a line is one read, and its record
// is the one flatRecord builds from parseTripRecord's: nothing in it is
// read another way.
[[gnu::always_inline]] inline size_t readTerminalLine(const char* line, FlatRecord& record) {
  using namespace flat_record_detail;
  const auto digit = [](char c) {
    return static_cast<unsigned>(static_cast<unsigned char>(c - '0'));
  };
  static_assert(kYearWidth == 4);
  if (line[0] == '\n' || line[1] == '\n' || line[2] == '\n' || line[3] == '\n') return 0;
  const char* c = line + kYearWidth;
  int32_t key = 0;
  for (size_t i = 0; i < kTerminalTimeKeyDigits; ++i) {
    const unsigned d = digit(c[i]);
    if (d > 9) return 0;
    key = key * 10 + static_cast<int32_t>(d);
  }
  c += kTerminalTimeKeyDigits;
  if (*c++ != ',') return 0;
  uint64_t flags = 0;
  if (c[0] == 'B' && c[1] == 'U' && c[2] == 'S' && c[3] == ',') {
    c += 4;
  } else if (c[0] == 'M' && c[1] == 'E' && c[2] == 'T' && c[3] == 'R' && c[4] == 'O' &&
             c[5] == ',') {
    flags |= FlatRecord::kMetro;
    c += 6;
  } else {
    return 0;
  }
  if (c[0] == 'I' && c[1] == 'N' && c[2] == ',') {
    flags |= FlatRecord::kEntry;
    c += 3;
  } else if (c[0] == 'O' && c[1] == 'U' && c[2] == 'T' && c[3] == ',') {
    c += 4;
  } else {
    return 0;
  }
  const char* const fee = c;
  int32_t value = 0;
  for (unsigned d; (d = digit(*c)) <= 9 && c - fee < 9; ++c)
    value = value * 10 + static_cast<int32_t>(d);
  if (c == fee || *c != ',') return 0;
  const char* const id = ++c;
  uint64_t code = 0;
  for (unsigned d; (d = digit(*c)) <= 9 && c - id < kPackedCharacters - 1; ++c)
    code = code << 4 | d;
  if (*c != '\n') return 0;
  code = code << 4 | kLineFeedCode;
  const int unused = 4 * (kPackedCharacters - static_cast<int>(c - id + 1));
  const uint64_t fill = unused == 0 ? 0 : (uint64_t{1} << unused) - 1;
  record.time_key = key;
  record.fee = value;
  record.word = ((code << unused) | fill) << 4 | flags;
  return static_cast<size_t>(c + 1 - line);
}

// Whether two records' journey ids are the same text.
inline bool sameJourney(const JourneyIdRef& a, const JourneyIdRef& b) {
  using namespace flat_record_detail;
  if (((a.word | b.word) & FlatRecord::kSpilled) == 0) {
    return ((a.word ^ b.word) & ~FlatRecord::kNotId) == 0;
  }
  // An id that packs is never spilled, so a packed id and a spilled one
  // always differ.
  if ((a.word & b.word & FlatRecord::kSpilled) == 0) return false;
  const size_t length = spilledLength(a.word);
  return length == spilledLength(b.word) &&
         memcmp(a.spill + spilledAt(a.word), b.spill + spilledAt(b.word), length) == 0;
}

// The journey id's first character.
inline char journeyIdFront(const JourneyIdRef& id) {
  using namespace flat_record_detail;
  if ((id.word & FlatRecord::kSpilled) != 0) return id.spill[spilledAt(id.word)];
  const uint64_t code = id.word >> 60;
  if (code > kLineFeedCode) return '\0';  // the empty id
  return code == kLineFeedCode ? '\n' : static_cast<char>('0' + code);
}

// The journey id's text.
std::string journeyIdText(const JourneyIdRef& id);
