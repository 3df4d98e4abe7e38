// The audit's arithmetic: what the cards paid and what the trip logs carry,
// summed per transport, from the text of the files alone.
//
// A card file's first record is its provisioning; every record after it is
// a charged tap whose fee is the balance before it minus the balance after
// it. A trip log record carries its fee in its amount column. Lines that
// hold no record are counted apart and take no part in the sums.
#pragma once

#include <cstddef>
#include <string_view>

struct TransportSums {
  long long bus = 0;
  long long metro = 0;
  long long other = 0;  // a transport word that names neither operator
  void add(std::string_view transport, long long amount);
  long long total() const { return bus + metro + other; }
  bool operator==(const TransportSums&) const = default;
};

// Reads one file's lines in order and keeps what it needs between them.
class CardLedger {
 public:
  explicit CardLedger(TransportSums& charged) : charged_(charged) {}
  void line(std::string_view line);
  size_t unreadable() const { return unreadable_; }

 private:
  TransportSums& charged_;
  bool seenFirst_ = false;
  long long balance_ = 0;
  size_t unreadable_ = 0;
};

class LogLedger {
 public:
  explicit LogLedger(TransportSums& fees) : fees_(fees) {}
  void line(std::string_view line);
  size_t unreadable() const { return unreadable_; }

 private:
  TransportSums& fees_;
  size_t unreadable_ = 0;
};
