// A card file read as the card's history: every line in order, each one a
// provisioning, a charge, a top-up, a credit no program makes, or a line
// that holds no record. What each record did to the card is the difference
// between its balance and the balance of the record before it, so the
// history needs nothing but the file. The card tool shows it and the audit
// counts it, by this one reading.
//
// The first record is the card's provisioning (its starting balance). After
// it, a record whose transport is "TOPUP" credits the card (its amount is
// the new balance less the old); any other record is a charge when the
// balance fell or stayed, with the fall as its fee, and a credit that is
// neither a provisioning nor a top-up when the balance rose. Balances are
// read as the terminals read them (record_format.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "common/base/problem.h"
#include "common/formats/record_format.h"

enum class CardEntryKind { kProvisioning, kCharge, kTopUp, kOtherCredit, kNoRecord };

struct CardEntry {
  size_t line = 0;  // from 1
  CardEntryKind kind = CardEntryKind::kNoRecord;
  RecordColumns columns;  // for every kind but kNoRecord
  int balance = 0;        // the balance after this record
  // A charge's fee (the balance before less the balance after); a top-up's
  // or a credit's amount (the balance after less the balance before).
  long long amount = 0;
};

// Reads a card file's lines one after the other.
class CardHistory {
 public:
  CardEntry next(std::string_view line);

 private:
  size_t lines_ = 0;
  std::optional<int> balance_;
};

// Card lines longer than this hold no record any program writes; they reach
// the reader as an empty line, so a file without line feeds costs no memory.
inline constexpr size_t kMaxCardLine = 1 << 16;

// Hands every line of the open file `fd`, from its start, to `take`, in
// order, without its line feed (a last line without one included), reading
// no further than `limit` bytes; the Problem of a read that fails.
Result<void> forEachCardLine(int fd, const std::function<void(std::string_view)>& take,
                             size_t limit = SIZE_MAX);
