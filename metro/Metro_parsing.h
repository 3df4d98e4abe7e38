// The record the metro terminal's card lookup takes as the record before a
// card's first one: no time, a metro exit, balance 0, journey id "00".
#pragma once

namespace metro {

inline constexpr const char* kMetroDefaultRecord = "000000000000,METRO,OUT,0,00";

}  // namespace metro
