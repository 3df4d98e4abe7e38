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

#include "common/trip_log_reading.h"

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
