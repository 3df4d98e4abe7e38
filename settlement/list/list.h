// The settlement program's one trip list, under the names the rest of the
// program uses: the sentinels header and tailer, addNode for a log line,
// deleteNode, deleteAll and the diagnostic print. Only the settlement loop
// touches it, one side of its hand-off at a time.
#pragma once

#include <memory>
#include <string_view>

#include "settlement/list/trip_list.h"
#include "settlement/list/trip_node.h"

extern TripNode* header;
extern TripNode* tailer;

// Builds the empty list and points header and tailer at its sentinels.
void createTripList();
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
