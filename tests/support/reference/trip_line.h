// Turning one trip log line into a record of the trip list, by the rule
// every reader of trip logs shares (common/formats/trip_log_reading.h): the
// terminal's "201412050008,METRO,IN,1250,15\n" gives time_key 12050008,
// transport "METRO", inout 1, fee 1250 and journey id "15\n".
#pragma once

#include <memory>
#include <string_view>

#include "tests/support/reference/trip_node.h"

// The record of `line`, not linked into any list; null when the line does not
// hold five fields (an empty line, a truncated line, a piece of a long one)
// or its transport names neither operator.
std::unique_ptr<TripNode> parseTripLine(std::string_view line);
