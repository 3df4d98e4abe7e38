// The record the bus terminal's card lookup takes as the record before a
// card's first one: no time, a bus exit, balance 0, journey id "60".
#pragma once

namespace bus {

inline constexpr const char* kBusDefaultRecord = "000000000000,BUS,OUT,0,60";

}  // namespace bus
