// Whether the record a writer appends continues the journey of the card's
// last record (copying its journey id) or begins a new one. Each terminal
// has one test for its card file writer and one for its trip log writer;
// they are plain functions of the facts the fare was decided from and of
// `charged`, the last record with this tap's fee and new balance.
#pragma once

#include "terminal/fare_rules.h"

using ContinuationTest = bool (*)(const FareFacts& facts, const CardInfo& charged);

// The test shared by the bus writers and the metro trip log writer, where
// `own` is the writing terminal's operator and `other` the other one (a
// record's by its whole transport word, exactOperatorOf): the last record
// is an `own` record made after an `other` record with the same balance as
// now (a free transfer entry still open; top-ups since left aside), or this
// tap is free and the last record is an `other` record.
bool continuesByBalanceOrFreeTap(const FareFacts& facts, const CardInfo& charged, Operator own,
                                 Operator other);
