// Turning one trip log line into a record. The line is the terminal's
// "201412050008,METRO,IN,1250,15\n": four year digits, then fields split at
// commas the tokenizer's way (runs of commas are one separator); the record
// takes the first five and ignores the rest.
#pragma once

#include <memory>
#include <string_view>

#include "settlement/list/trip_node.h"

// The record of `line`, not linked into any list; null when the line does not
// hold five fields (an empty line, a truncated line, a piece of a long one)
// or its transport names neither operator (transport.h).
std::unique_ptr<TripNode> parseTripLine(std::string_view line);
