// What the bus terminal's record writers do in their own way: the one
// continuation test both of its writers use, so that the card record and
// the trip log record of a tap always agree.
#pragma once

#include "terminal/fare_rules.h"

namespace bus {

// Continues the last record's journey when that record is a bus entry that
// left the balance of the metro record before it unchanged, or when this
// tap is free and the last record is a metro record.
bool busContinues(const FareFacts& facts, const CardInfo& charged);

}  // namespace bus
