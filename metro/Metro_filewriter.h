// What the metro terminal's record writers do in their own way: the two
// continuation tests. The card writer continues a journey
// begun on the bus as the fare rules recognise a transfer; the trip log
// writer uses the balance-or-free test, so the two records of one tap can
// carry different journey ids.
#pragma once

#include "terminal/fare_rules.h"

namespace metro {

// The card record continues the last record's journey when that record is
// a bus record at most 120 minutes old or a bus entry, or when this free
// tap follows a metro entry made right after a bus record.
bool metroCardContinues(const FareFacts& facts, const CardInfo& charged);

// The trip log record continues when the last record is a metro entry that
// left the balance of the bus record before it unchanged, or when this tap
// is free and the last record is a bus record.
bool metroTripLogContinues(const FareFacts& facts, const CardInfo& charged);

}  // namespace metro
