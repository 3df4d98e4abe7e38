// The trip log is emptied by removing the file every kTripLogClearMs; the
// next charged tap creates it again. The removal takes trip_log_mutex, so it
// never falls in the middle of an append.
#pragma once

inline constexpr int kTripLogClearMs = 185000;

void fileInitializer(void*);
