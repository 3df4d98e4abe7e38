// The totals of the two operators (common/formats/trip_log_reading.h): element 0 is
// BUS, element 1 METRO. Totals are 64 bits and are added modulo 2^64, so no
// log content can make an addition undefined, and a total that fits is
// always exact.
#pragma once

#include "common/formats/trip_log_reading.h"

using Totals = OperatorAmounts;

inline Operator otherOperator(Operator op) {
  return op == kBusOperator ? kMetroOperator : kBusOperator;
}

inline void addToTotal(Totals& totals, Operator op, long long amount) {
  totals[op] = wrappingSum(totals[op], amount);
}
