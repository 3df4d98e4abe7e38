// The time-ordered, doubly linked trip list between two sentinels, with an
// index beside it so that an insertion costs O(log n) and a removal O(1) plus
// an index update, whatever the list's length.
//
// Order: records are in non-decreasing time_key order. A new record goes
// after every record of its key, except when the list's last record has
// that key: then it goes directly before that last record.
#pragma once

#include <cstddef>
#include <map>
#include <memory>

#include "tests/support/reference/trip_node.h"

class TripList {
 public:
  TripList();
  ~TripList();
  TripList(const TripList&) = delete;
  TripList& operator=(const TripList&) = delete;

  // The sentinels: head()->next is the first record, tail()->prev the last;
  // the list is empty when head()->next is tail().
  TripNode* head() { return &head_; }
  TripNode* tail() { return &tail_; }
  const TripNode* head() const { return &head_; }
  const TripNode* tail() const { return &tail_; }
  bool empty() const { return head_.next == &tail_; }
  size_t size() const { return size_; }

  // Links `node` in by the order above; the list owns it from then on.
  TripNode* insert(std::unique_ptr<TripNode> node);

  // Unlinks a record of this list, clears its links and hands it back; null
  // (and no change) for anything else, the sentinels included.
  std::unique_ptr<TripNode> remove(TripNode* node);

  // Releases every record.
  void clear();

 private:
  void linkBefore(TripNode* node, TripNode* position);

  TripNode head_;
  TripNode tail_;
  size_t size_ = 0;
  // time_key -> the first record of that key. Records of one key stand
  // together, so the first record of the next greater key is where a
  // record goes that belongs after all of its own key.
  std::map<int, TripNode*> firstOfKey_;
};
