// list/ is the settlement's trip list: a collected record (trip_node.h,
// flat_record.h) from its log line (trip_line.h), the time-ordered linked
// list (trip_list.h) with the system's names for it (below), and the flat
// list a cycle uses (flat_trip_list.h). The folder keeps the name the
// system gives it.
//
// The trip list as a linked list, under the names the system gives it: the
// sentinels header and tailer, addNode for a log line, deleteNode,
// deleteAll and the diagnostic print, over one TripList. It is the
// reference for the order of the cycle's flat list (flat_trip_list.h),
// which the cycle itself uses: the tests and the fuzz target hold the flat
// list to this one, record for record.
#pragma once

#include <memory>
#include <string_view>

#include "settlement/list/trip_list.h"
#include "settlement/list/trip_node.h"

extern TripNode* header;
extern TripNode* tailer;

TripList& tripList();

// Parses one log line (line feed included) and inserts its record, marked
// fresh or not; null when the line does not hold a record.
TripNode* addNode(std::string_view line, bool fresh = false);

// Unlinks `node` and hands it to the caller; null when it is not in the list.
std::unique_ptr<TripNode> deleteNode(TripNode* node);

// Releases every record.
void deleteAll();

// "%d LINE : %d\n" per record: its position from 1 and its time_key.
void print();
