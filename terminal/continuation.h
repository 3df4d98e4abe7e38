// Whether the record a writer appends continues the journey of the card's
// last record (copying its journey id) or begins a new one. Each terminal
// has one test for its card file writer and one for its trip log writer;
// they are plain functions of the last record `card` (with this tap's fee
// and new balance), the record before it and the lag since the last record.
#pragma once

#include <string_view>

#include "terminal/card_info.h"

using ContinuationTest = bool (*)(const CardInfo& card, const CardInfo& before, int lag);

// The test shared by the bus writers and the metro trip log writer, where
// `own` is the writing terminal's transport and `other` the other one:
// the last record is an `own` record made after an `other` record with the
// same balance as now (a free transfer entry still open), or this tap is
// free and the last record is an `other` record.
bool continuesByBalanceOrFreeTap(const CardInfo& card, const CardInfo& before, std::string_view own,
                                 std::string_view other);
