// TripNode: one trip log record collected by the settlement program, linked
// into the time-ordered trip list. The texts are the record's own copies;
// the journey id keeps the line feed that ended its log line.
//
// The fields keep the names the system gives them (time_key, journey_id);
// our own names for the same ideas are camel case (journeyId).
#pragma once

#include <string>

struct TripNode {
  int time_key = 0;  // MMDDhhmm of the record's time stamp: 12050008
  // Whether this cycle settles the record for the first time (it lies
  // beyond what earlier cycles settled of its log). Beside time_key, where
  // it takes no room of its own.
  bool fresh = false;
  std::string transport;
  int inout = 0;  // 1 when the direction begins with "IN"
  int fee = 0;
  std::string journey_id;
  TripNode* next = nullptr;
  TripNode* prev = nullptr;
  // The list the record is linked into, or null: lets the list tell its own
  // records from any other without searching.
  const void* owner = nullptr;
};
