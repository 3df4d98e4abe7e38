// A hand-off that carries a value from its sender to its receiver: the
// value is set before the flag (common/process/handoff.h) is posted and taken after
// it is, so the receiver sees it whole. Used by a pair of threads that take
// turns, as a terminal's reader and fare controller do with a tap, and the
// settlement's collector and distributor with a collection: a sender posts
// again only once the receiver has answered, so one value is in hand at a
// time.
#pragma once

#include <utility>

#include "common/process/handoff.h"

template <typename T>
class ValueHandoff {
 public:
  // Hands `value` over and wakes the receiver.
  void post(T value) {
    value_ = std::move(value);
    flag_.post();
  }

  // Waits until a value is posted, then takes it.
  T await() {
    flag_.await();
    return std::move(value_);
  }

 private:
  Handoff flag_;
  T value_;
};
