// The trip log is emptied by removing the file every kTripLogClearMs; the
// next charged tap creates it again.
#pragma once

inline constexpr int kTripLogClearMs = 185000;

void fileInitializer(void*);
