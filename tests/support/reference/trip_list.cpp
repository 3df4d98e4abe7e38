#include "tests/support/reference/trip_list.h"

TripList::TripList() {
  head_.next = &tail_;
  tail_.prev = &head_;
}

TripList::~TripList() {
  clear();
}

void TripList::linkBefore(TripNode* node, TripNode* position) {
  node->prev = position->prev;
  node->next = position;
  position->prev->next = node;
  position->prev = node;
  node->owner = this;
  ++size_;
}

TripNode* TripList::insert(std::unique_ptr<TripNode> owned) {
  TripNode* node = owned.release();
  const int key = node->time_key;
  TripNode* last = tail_.prev;
  if (last == &head_ || last->time_key < key) {
    // Empty list, or a key greater than all: the new record is the last one
    // and the first of its key.
    linkBefore(node, &tail_);
    firstOfKey_[key] = node;
  } else if (last->time_key == key) {
    linkBefore(node, last);
    auto first = firstOfKey_.find(key);
    if (first->second == last) first->second = node;
  } else {
    // A greater key exists: the new record goes before its first record.
    linkBefore(node, firstOfKey_.upper_bound(key)->second);
    firstOfKey_.try_emplace(key, node);
  }
  return node;
}

std::unique_ptr<TripNode> TripList::remove(TripNode* node) {
  if (node == nullptr || node->owner != this) return nullptr;
  auto first = firstOfKey_.find(node->time_key);
  if (first->second == node) {
    if (node->next != &tail_ && node->next->time_key == node->time_key) {
      first->second = node->next;
    } else {
      firstOfKey_.erase(first);
    }
  }
  node->prev->next = node->next;
  node->next->prev = node->prev;
  node->next = nullptr;
  node->prev = nullptr;
  node->owner = nullptr;
  --size_;
  return std::unique_ptr<TripNode>(node);
}

void TripList::clear() {
  TripNode* node = head_.next;
  while (node != &tail_) {
    TripNode* next = node->next;
    delete node;
    node = next;
  }
  head_.next = &tail_;
  tail_.prev = &head_;
  size_ = 0;
  firstOfKey_.clear();
}
