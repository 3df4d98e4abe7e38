// The audit's arithmetic: what the cards paid and what the trip logs carry,
// from the text of the files alone, and which card charge goes with which
// trip log record.
//
// A card file is read as its history (common/formats/card_history.h): a
// provisioning, then charged taps, each with the fall of the balance as its
// fee, and top-ups, which are credits and in no trip log. A trip log record
// carries its fee (common/formats/trip_log_reading.h). A card charge and a trip log
// record are the same tap when they agree in time, operator, direction and
// fee: both are written from one reading of the clock, and the journey ids
// of the two may differ.
#pragma once

#include <compare>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "common/formats/card_history.h"
#include "common/formats/trip_log_reading.h"

struct TransportSums {
  long long bus = 0;
  long long metro = 0;
  long long other = 0;  // a transport word that names neither operator
  void add(std::optional<Operator> op, long long amount);
  long long total() const { return bus + metro + other; }
  bool operator==(const TransportSums&) const = default;
};

// What a card charge and its trip log record have in common.
struct FeeRecord {
  int timeKey = 0;  // MMDDhhmm
  std::optional<Operator> op;
  int inout = 0;
  long long fee = 0;
  auto operator<=>(const FeeRecord&) const = default;
};

FeeRecord feeOf(const TripRecord& record);

// Reads one card file's lines in order and hands on every charge. Top-ups
// are summed; a credit that is neither a provisioning nor a top-up, a
// top-up that takes money off, and a line that holds no record are kept
// by their line number.
class CardLedger {
 public:
  using ChargeSink = std::function<void(const FeeRecord&)>;
  explicit CardLedger(ChargeSink charged) : charged_(std::move(charged)) {}
  void line(std::string_view line);

  struct Credit {
    size_t line = 0;
    long long amount = 0;  // negative: a top-up that took this much off
    bool operator==(const Credit&) const = default;
  };
  long long toppedUp() const { return toppedUp_; }
  size_t topUps() const { return topUps_; }
  const std::vector<Credit>& strayCredits() const { return strayCredits_; }
  const std::vector<size_t>& noRecordLines() const { return noRecordLines_; }

 private:
  ChargeSink charged_;
  CardHistory history_;
  long long toppedUp_ = 0;
  size_t topUps_ = 0;
  std::vector<Credit> strayCredits_;
  std::vector<size_t> noRecordLines_;
};

// Pairs card charges with trip log records of the same tap; what is left
// unpaired, summed per card and per file (by the index each was given). A
// held record (lines the settlement cannot tell from settled ones) pairs
// with a charge no other record pairs with, and is no difference alone: it
// is a tap charged again, or a copy.
class FeeMatching {
 public:
  void charged(const FeeRecord& record, size_t card);
  void logged(const FeeRecord& record, size_t file);
  void held(const FeeRecord& record);

  struct Unpaired {
    std::map<size_t, long long> byCard;
    std::map<size_t, long long> byFile;
  };
  Unpaired unpaired() const;

 private:
  struct Sources {
    std::vector<size_t> cards;
    std::vector<size_t> files;
    size_t held = 0;
  };
  std::map<FeeRecord, Sources> records_;
};
